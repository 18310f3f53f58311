#pragma once
// The tariff schedule and the calendar of special days as the meter keeps them: in the
// form they travel in, since the meter only stores what it is sent and sends it back.
//
//   zones     12 seasons × 18 bytes: each hour's tariff in two bits, four hours a byte,
//             the earliest hour in the top bits; working day, Saturday, Sunday and holidays
//   calendar  24 records × 2 bytes: type in bits 7-6 and BCD month in bits 5-0, BCD day;
//             an empty record is 00 00

#include <array>
#include <cstdint>

namespace vilt::sim {

inline constexpr int kSeasons = 12;
inline constexpr int kZoneBytes = 18;
inline constexpr int kCalendarBytes = 48;

using SeasonZones = std::array<uint8_t, kZoneBytes>;
using Zones = std::array<SeasonZones, kSeasons>;  // season n at n - 1
using Calendar = std::array<uint8_t, kCalendarBytes>;

}  // namespace vilt::sim
