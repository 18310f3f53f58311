#include "tariff/special_days.h"

#include "link/bcd.h"

namespace vilt::tariff {

namespace {

constexpr uint8_t kMonthBits = 0x3F;
constexpr int kTypeShift = 6;
constexpr int32_t kTypeMask = 0x03;

// A packed decimal of `low`..`high`: both nibbles digits.
bool bcdWithin(uint8_t byte, int32_t low, int32_t high) {
    if ((byte >> 4) > 9 || (byte & 0x0F) > 9) return false;
    const int32_t value = link::bcdToInt(byte);
    return value >= low && value <= high;
}

QString hexByte(uint8_t byte) {
    return QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

}  // namespace

int specDayListLength(const SpecDayTable& table) {
    int length = 0;
    while (length < kSpecDayMax && table[static_cast<size_t>(length)].day != 0) ++length;
    return length;
}

std::optional<QString> specDayTypeText(int32_t type) {
    if (type == kSpecWorkingDay) return QStringLiteral("Рабочий");
    if (type == kSpecHoliday) return QStringLiteral("Праздник");
    return std::nullopt;
}

QString specDayDateText(const SpecialDay& record) {
    return QStringLiteral("%1.%2").arg(record.day).arg(record.month, 2, 10, QLatin1Char('0'));
}

std::array<uint8_t, 2> packSpecDay(const SpecialDay& record) {
    const auto month = static_cast<uint8_t>(link::intToBcd(record.month) & kMonthBits);
    const auto type = static_cast<uint8_t>((record.type & kTypeMask) << kTypeShift);
    return {static_cast<uint8_t>(month | type), static_cast<uint8_t>(link::intToBcd(record.day))};
}

CalendarWire packCalendar(const SpecDayTable& table) {
    CalendarWire wire{};
    for (size_t i = 0; i < kCalendarRecords; ++i) {
        const auto pair = packSpecDay(table[i]);
        wire[2 * i] = pair[0];
        wire[2 * i + 1] = pair[1];
    }
    return wire;
}

std::variant<CalendarRecords, QString> unpackCalendar(
    std::span<const uint8_t, kCalendarBytes> wire) {
    CalendarRecords records{};
    for (size_t i = 0; i < kCalendarRecords; ++i) {
        const uint8_t a = wire[2 * i];
        const uint8_t b = wire[2 * i + 1];
        const auto monthByte = static_cast<uint8_t>(a & kMonthBits);
        if (b != 0 && (!bcdWithin(b, 1, 31) || !bcdWithin(monthByte, 1, 12))) {
            return QStringLiteral("Календарь счётчика повреждён: запись %1 (%2 %3) не дата")
                .arg(i + 1)
                .arg(hexByte(a), hexByte(b));
        }
        records[i] = {link::bcdToInt(b), link::bcdToInt(monthByte), a >> kTypeShift};
    }
    return records;
}

void takeCalendar(const CalendarRecords& records, SpecDays& days) {
    for (size_t i = 0; i < kCalendarRecords; ++i) days.records[i] = records[i];
}

}  // namespace vilt::tariff
