#pragma once
// Date and time as the meter keeps them: the 7-byte clock frame and the 5-byte journal
// records, both BCD within the century 2000-2099. Meter time has no zone: it is what
// the meter's face would show.

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

namespace vilt::sim {

inline constexpr int kClockFrameLength = 7;  // ss mm hh weekday DD MM YY
inline constexpr int kJournalCount = 6;
inline constexpr int kJournalLength = 50;  // ten records of DD MM YY hh mm

struct MeterTime {
    QDate date;
    QTime time;
    int weekday = 0;  // the meter's own day number, 1 = Monday
};

QByteArray encodeClockFrame(const MeterTime& time);

// nullopt when a byte is not BCD or the date or time does not exist.
std::optional<MeterTime> decodeClockFrame(QByteArrayView frame);

// A date as three BCD bytes DD MM YY, or nullopt when a byte is not BCD or no such day exists.
std::optional<QDate> decodeBcdDate(QByteArrayView ddmmyy);

// "YYYY-MM-DD HH:MM:SS W"
QString formatMeterTime(const MeterTime& time);

// The reading as a QDateTime in local time, or in UTC where local time skips it (a DST
// gap), so the date and time read back are always the ones given.
QDateTime wallClock(QDate date, QTime time);

// Where a clock set to `base` with day number `weekday` stands `elapsedMs` later. Day
// numbers 1-7 advance with the days passed, 0 follows the date, others stay as they are.
MeterTime advanceClock(const QDateTime& base, int weekday, qint64 elapsedMs);

// A few past events in each journal, so a demo has something to show.
std::array<QByteArray, kJournalCount> defaultJournals();

}  // namespace vilt::sim
