#pragma once
// Line speeds, as the port component names them.

#include <array>
#include <optional>

namespace vilt::comm {

enum class BaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
};

inline int bitsPerSecond(BaudRate rate) {
    static constexpr std::array<int, 15> kRates = {110,   300,   600,    1200,   2400,
                                                   4800,  9600,  14400,  19200,  38400,
                                                   56000, 57600, 115200, 128000, 256000};
    return kRates[static_cast<size_t>(rate)];
}

// The speeds a session may use, in the order the connection page lists them.
inline constexpr std::array kSessionSpeeds = {BaudRate::br1200, BaudRate::br2400,
                                              BaudRate::br4800, BaudRate::br9600};

// The speed list of the connection page: 0 → 1200, 1 → 2400, 2 → 4800, 3 → 9600.
inline std::optional<BaudRate> sessionSpeed(int index) {
    if (index < 0 || index >= static_cast<int>(kSessionSpeeds.size())) return std::nullopt;
    return kSessionSpeeds[static_cast<size_t>(index)];
}

// Where a speed stands in that list; none for a speed a session does not use.
inline std::optional<int> sessionSpeedIndex(BaudRate rate) {
    for (size_t i = 0; i < kSessionSpeeds.size(); ++i)
        if (kSessionSpeeds[i] == rate) return static_cast<int>(i);
    return std::nullopt;
}

}  // namespace vilt::comm
