#pragma once
// The attempts a read gets: a garbled or late reply is asked for again, up to three times
// in all, as the session's identity is.

#include "link/outcome.h"

namespace vilt::link {

inline constexpr int kReadAttempts = 3;

// Up to kReadAttempts of one read, each recorded in the outcome; the last reply.
template <typename Read>
auto retried(Outcome& outcome, Command command, Read read) {
    auto reply = read();
    outcome.add(command, reply.check);
    for (int attempt = 1; attempt < kReadAttempts && !reply.ok(); ++attempt)
        outcome.add(command, (reply = read()).check);
    return reply;
}

}  // namespace vilt::link
