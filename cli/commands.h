#pragma once

#include "options.h"

namespace vilt::cli {

// Runs the command of the options against the meter; returns the exit status.
int runCommand(const Options& options);

}  // namespace vilt::cli
