#pragma once
// The round file of `vilt-cli round`, read by the core's parser (station/round_file.h).

#include "station/round_file.h"

namespace vilt::cli {

using station::parseRoundFile;
using station::readRoundFile;
using station::RoundLine;

}  // namespace vilt::cli
