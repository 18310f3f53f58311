#pragma once
// The ranges of the command line's numeric arguments, read by the parser the window uses.

#include <cstdint>
#include <limits>

#include "link/numbers.h"
#include "station/round_file.h"

namespace vilt::cli {

using link::NumberRange;
using link::parseNumber;

using station::kFactoryRange;
using station::kPasswordRange;
inline constexpr NumberRange kWaitRange{0, 999999};  // as the window's field allows
inline constexpr NumberRange kSpeedRange{1200, 9600};

}  // namespace vilt::cli
