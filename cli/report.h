#pragma once

#include "link/outcome.h"

namespace vilt::cli {

// Tells what an operation came to: on success its messages on standard output; otherwise
// its messages and the reason on standard error. Returns the exit status.
int report(const link::Outcome& outcome);

}  // namespace vilt::cli
