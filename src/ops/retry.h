#pragma once
// The attempts every read of an operation gets: the line's own rule, under the operations'
// names.

#include "link/retry.h"

namespace vilt::ops {

inline constexpr int kAttempts = link::kReadAttempts;
using link::retried;

}  // namespace vilt::ops
