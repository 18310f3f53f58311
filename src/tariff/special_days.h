#pragma once
// The calendar of special days: dates that count as a working day or a holiday whatever
// their weekday. The window keeps a list of up to 30; the meter holds 24.
//
// One record on the wire (2 bytes), in both directions:
//   A  bits 7-6  type            B  Day in BCD, 0x01-0x31
//      bits 5-0  Month in BCD, 0x01-0x12
// An empty record travels as 00 00. The calendar commands carry records 0-23 at reply or
// request bytes 4-51, record i at 4 + 2i.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace vilt::tariff {

inline constexpr int kSpecDayMax = 30;
inline constexpr int kCalendarRecords = 24;
inline constexpr int kCalendarBytes = kCalendarRecords * 2;  // 48

// The day-type codes the page offers; the meter may also return 2 or 3, which have no name.
inline constexpr int32_t kSpecWorkingDay = 0;
inline constexpr int32_t kSpecHoliday = 1;

struct SpecialDay {
    int32_t day = 0;  // 1-31; 0 marks an empty record
    int32_t month = 0;
    int32_t type = 0;

    bool operator==(const SpecialDay&) const = default;
};

using SpecDayTable = std::array<SpecialDay, kSpecDayMax>;

// The window's calendar: the records in the order added, and where the next one goes.
struct SpecDays {
    SpecDayTable records{};
    int32_t count = 0;

    bool operator==(const SpecDays&) const = default;
};

// The list as shown: the records up to, not including, the first empty one.
int specDayListLength(const SpecDayTable& table);

// "Рабочий" for 0, "Праздник" for 1; none for any other type, whose cell stays as it was.
std::optional<QString> specDayTypeText(int32_t type);
// Day without a leading zero, a full stop, the month in two digits: "7.01", "25.12".
QString specDayDateText(const SpecialDay& record);

using CalendarWire = std::array<uint8_t, kCalendarBytes>;
using CalendarRecords = std::array<SpecialDay, kCalendarRecords>;

// A = BCD month + 64 × type, B = BCD day. Only the bits of the wire form are taken, so an
// odd value in memory cannot spill into the neighbouring field.
std::array<uint8_t, 2> packSpecDay(const SpecialDay& record);
// Records 0-23 as the calendar write sends them; records 24-29 are never sent.
CalendarWire packCalendar(const SpecDayTable& table);

// The 24 records of a calendar reply. A record with a day is refused unless its day and
// month are packed decimals of 1-31 and 1-12: the text says which record, and nothing
// is taken.
std::variant<CalendarRecords, QString> unpackCalendar(
    std::span<const uint8_t, kCalendarBytes> wire);
// A calendar read replaces records 0-23; records 24-29 and count stay as they were
// (the special-days page counts the list again when it is opened).
void takeCalendar(const CalendarRecords& records, SpecDays& days);

}  // namespace vilt::tariff
