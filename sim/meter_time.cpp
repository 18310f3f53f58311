#include "sim/meter_time.h"

namespace vilt::sim {
namespace {

constexpr int kCentury = 2000;
constexpr int kDaysPerWeek = 7;

// The meter's BCD, decoded digit by digit rather than through any shared helper.
std::optional<int> fromBcd(char byte) {
    const auto value = static_cast<uint8_t>(byte);
    const int high = value >> 4;
    const int low = value & 0x0F;
    if (high > 9 || low > 9) {
        return std::nullopt;
    }
    return high * 10 + low;
}

char toBcd(int value) {
    const int twoDigits = ((value % 100) + 100) % 100;
    return static_cast<char>(((twoDigits / 10) << 4) | (twoDigits % 10));
}

}  // namespace

QByteArray encodeClockFrame(const MeterTime& time) {
    QByteArray frame;
    frame.append(toBcd(time.time.second()));
    frame.append(toBcd(time.time.minute()));
    frame.append(toBcd(time.time.hour()));
    frame.append(static_cast<char>(time.weekday));
    frame.append(toBcd(time.date.day()));
    frame.append(toBcd(time.date.month()));
    frame.append(toBcd(time.date.year()));
    return frame;
}

std::optional<MeterTime> decodeClockFrame(QByteArrayView frame) {
    if (frame.size() != kClockFrameLength) {
        return std::nullopt;
    }
    const auto second = fromBcd(frame[0]);
    const auto minute = fromBcd(frame[1]);
    const auto hour = fromBcd(frame[2]);
    const auto day = fromBcd(frame[4]);
    const auto month = fromBcd(frame[5]);
    const auto year = fromBcd(frame[6]);
    if (!second || !minute || !hour || !day || !month || !year) {
        return std::nullopt;
    }
    // QDate and QTime refuse month 0, day 31 in a 30-day month, hour 24 and so on.
    const QDate date(kCentury + *year, *month, *day);
    const QTime time(*hour, *minute, *second);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return MeterTime{date, time, static_cast<uint8_t>(frame[3])};
}

std::optional<QDate> decodeBcdDate(QByteArrayView ddmmyy) {
    if (ddmmyy.size() != 3) {
        return std::nullopt;
    }
    const auto day = fromBcd(ddmmyy[0]);
    const auto month = fromBcd(ddmmyy[1]);
    const auto year = fromBcd(ddmmyy[2]);
    if (!day || !month || !year) {
        return std::nullopt;
    }
    const QDate date(kCentury + *year, *month, *day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QString formatMeterTime(const MeterTime& time) {
    return QStringLiteral("%1 %2 %3")
        .arg(time.date.toString(u"yyyy-MM-dd"), time.time.toString(u"HH:mm:ss"))
        .arg(time.weekday);
}

QDateTime wallClock(QDate date, QTime time) {
    const QDateTime local(date, time);
    if (local.isValid() && local.date() == date && local.time() == time) {
        return local;
    }
    return QDateTime(date, time, Qt::UTC);
}

MeterTime advanceClock(const QDateTime& base, int weekday, qint64 elapsedMs) {
    // Counted in UTC so no DST change on the host moves the meter's reading.
    const QDateTime start(base.date(), base.time(), Qt::UTC);
    const QDateTime now = start.addMSecs(elapsedMs);
    int day = weekday;
    if (weekday == 0) {
        day = now.date().dayOfWeek();
    } else if (weekday >= 1 && weekday <= kDaysPerWeek) {
        const qint64 passed = start.date().daysTo(now.date());
        day = static_cast<int>((weekday - 1 + passed) % kDaysPerWeek) + 1;
    }
    return {now.date(), now.time(), day};
}

std::array<QByteArray, kJournalCount> defaultJournals() {
    // DD MM YY hh mm per record, oldest first.
    static constexpr std::array<const char*, kJournalCount> kRecords = {{
        "1503100845 0211260710 2811261602",  // power on
        "1503100840 0211260655 2811261547",  // power off
        "1405251020 0112260900",
        "1405251035 0112260905",
        "2001261200",
        "0307241330 1110261111 0512261845",
    }};
    std::array<QByteArray, kJournalCount> journals;
    for (int j = 0; j < kJournalCount; ++j) {
        journals[j] = QByteArray::fromHex(kRecords[j]);
        journals[j].append(kJournalLength - journals[j].size(), '\0');
    }
    return journals;
}

}  // namespace vilt::sim
