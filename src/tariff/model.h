#pragma once
// The tariff schedule: 12 seasons, each with one 24-hour zone map for working days, one for
// Saturdays and one for Sundays and holidays, and the packed form a zone map travels in.
//
// Zone map: 72 slots, one tariff index (0 T1 … 3 T4) each; slot k is day type k / 24 at
// hour k % 24.
//
// Packed zone map (18 bytes), byte j:   bits 7-6  slot 4j       bits 3-2  slot 4j + 2
//                                        bits 5-4  slot 4j + 1   bits 1-0  slot 4j + 3
// so bytes 0-5 are the working day (byte 0 = hours 0-3, earliest hour in the top bits),
// bytes 6-11 Saturday, bytes 12-17 Sunday and holidays.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "link/counts.h"

namespace vilt::tariff {

inline constexpr int kSeasonCount = 12;
inline constexpr int kHours = 24;
inline constexpr int kDayTypeCount = 3;
inline constexpr int kZoneSlotCount = kDayTypeCount * kHours;  // 72
inline constexpr int kPackedZoneBytes = kZoneSlotCount / 4;    // 18
inline constexpr int kDefaultEndDay = 31;

enum class DayType : int { Working = 0, Saturday = 1, Holiday = 2 };

// The row labels of the zone map: "Рабочий день", "Суббота", "Воскр. и празд.".
QString dayTypeName(DayType day);

// The slot of an hour (0-23) of a day type.
constexpr int slotIndex(DayType day, int hour) {
    return static_cast<int>(day) * kHours + hour;
}
constexpr DayType slotDayType(int slot) {
    return static_cast<DayType>(slot / kHours);
}
constexpr int slotHour(int slot) {
    return slot % kHours;
}

struct Season {
    int32_t endDay = kDefaultEndDay;  // the day of month the season ends on
    int32_t endMonth = 1;             // defaultSchedule() gives each season its own number
    std::array<uint8_t, kZoneSlotCount> zones{};

    bool operator==(const Season&) const = default;
};

// Season n (1-12) is element n - 1.
using Schedule = std::array<Season, kSeasonCount>;
using PackedZones = std::array<uint8_t, kPackedZoneBytes>;

// Every season n ends on day 31 of month n and runs on T1 all day: the whole year on T1.
Schedule defaultSchedule();

// The display colour of a tariff index as 0xRRGGBB; none for a value outside 0-3, which
// leaves the paint colour as it was.
std::optional<uint32_t> tariffColour(int tariff);
// "T1" … "T4"; empty for a value outside 0-3.
QString tariffName(int tariff);

// The packed form of a season's zone map. A slot holds 0-3; only a damaged file could
// bring more, and the loader refuses such files: the low two bits are taken, so a larger
// value never spills into the neighbouring slots.
PackedZones packZones(const Season& season);
// Replaces the 72 slots of `season` from the packed form; the end date stays.
void unpackZones(std::span<const uint8_t, kPackedZoneBytes> packed, Season& season);

}  // namespace vilt::tariff
