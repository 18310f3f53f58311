#include "ops/clock.h"

#include "link/bcd.h"

namespace vilt::ops {

namespace {

constexpr int kCentury = 2000;

// The two nibbles as decimal digits, as the meter's digits are read: 0x1A is "110".
QString digits(uint8_t bcd) {
    return QString::number(bcd >> 4) + QString::number(bcd & 0x0F);
}

bool nibblesAreDigits(uint8_t bcd) {
    return (bcd >> 4) <= 9 && (bcd & 0x0F) <= 9;
}

std::optional<QTime> timeOf(uint8_t hours, uint8_t minutes, uint8_t seconds) {
    for (uint8_t b : {hours, minutes, seconds})
        if (!nibblesAreDigits(b)) return std::nullopt;
    const QTime time(link::bcdToInt(hours), link::bcdToInt(minutes), link::bcdToInt(seconds));
    if (!time.isValid()) return std::nullopt;
    return time;
}

std::optional<QDate> dateOf(uint8_t day, uint8_t month, uint8_t year) {
    for (uint8_t b : {day, month, year})
        if (!nibblesAreDigits(b)) return std::nullopt;
    const QDate date(kCentury + link::bcdToInt(year), link::bcdToInt(month), link::bcdToInt(day));
    if (!date.isValid()) return std::nullopt;
    return date;
}

uint8_t bcd(int value) {
    return static_cast<uint8_t>(link::intToBcd(value));
}

}  // namespace

ClockReading decodeClock(std::span<const uint8_t> frame) {
    ClockReading reading;
    reading.timeText = digits(frame[2]) + ':' + digits(frame[1]) + ':' + digits(frame[0]);
    reading.dateText = digits(frame[4]) + '.' + digits(frame[5]) + ".20" + digits(frame[6]);
    reading.time = timeOf(frame[2], frame[1], frame[0]);
    reading.date = dateOf(frame[4], frame[5], frame[6]);
    reading.weekday = frame[3];
    return reading;
}

ClockFrame encodeClock(const QTime& time, const QDate& date) {
    return {bcd(time.second()),    bcd(time.minute()),
            bcd(time.hour()),      static_cast<uint8_t>(date.dayOfWeek()),
            bcd(date.day()),       bcd(date.month()),
            bcd(date.year() % 100)};
}

std::optional<QString> dayName(int weekday) {
    static const std::array<QString, 7> kNames = {
        QStringLiteral("Понедельник"), QStringLiteral("Вторник"), QStringLiteral("Среда"),
        QStringLiteral("Четверг"),     QStringLiteral("Пятница"), QStringLiteral("Суббота"),
        QStringLiteral("Воскресенье")};
    if (weekday < 1 || weekday > 7) return std::nullopt;
    return kNames[static_cast<size_t>(weekday - 1)];
}

link::Result<ClockReading> requestClock(link::Exchange& exchange) {
    const link::Check check = exchange.run(link::Command::ReadClock);
    if (check != link::Check::Ok) return {check};
    return {check, decodeClock(exchange.replyData(7))};
}

link::Check sendClock(link::Exchange& exchange, const QTime& time, const QDate& date) {
    return exchange.run(link::Command::WriteClock, encodeClock(time, date));
}

link::Result<bool> requestDaylightSaving(link::Exchange& exchange) {
    const link::Check check = exchange.run(link::Command::ReadDst);
    if (check != link::Check::Ok) return {check};
    return {check, exchange.replyData(1)[0] == kDstAllowed};
}

link::Check sendDaylightSaving(link::Exchange& exchange, bool allowed) {
    const std::array<uint8_t, 1> payload{allowed ? kDstAllowed : kDstForbidden};
    return exchange.run(link::Command::WriteDst, payload);
}

}  // namespace vilt::ops
