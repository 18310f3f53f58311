#pragma once
// The attempts every read of an operation gets.

#include "link/outcome.h"

namespace vilt::ops {

inline constexpr int kAttempts = 3;

// Up to kAttempts of one read, each recorded in the outcome; the last reply.
template <typename Read>
auto retried(link::Outcome& outcome, link::Command command, Read read) {
    auto reply = read();
    outcome.add(command, reply.check);
    for (int attempt = 1; attempt < kAttempts && !reply.ok(); ++attempt)
        outcome.add(command, (reply = read()).check);
    return reply;
}

}  // namespace vilt::ops
