#pragma once
// How energy values, days and profile slots are written by the reading and archive commands:
// a decimal point whatever the locale, values exact to the hundredth, the same numbers in
// text and in JSON.

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "archive/archive.h"
#include "ops/energy.h"
#include "ops/profile.h"

namespace vilt::cli {

// A count in hundredths as kW·h: 12345 → 123.45, -1 → -0.01, 0 → 0. Valid as a JSON number.
QString hundredths(int64_t count);

// "T1, T2, T3, T4" in the order given.
QStringList countTexts(const ops::Counts& counts);

// A day on the command line: YYYY-MM-DD, a year the meter can name (2000-2099).
std::optional<QDate> parseDay(const QString& text);

// One day's 48 slices, read from the meter or listed from the archive.
struct DaySlices {
    QDate day;
    std::optional<qint64> factory;  // shown when given
    // kW·h as written out; none for an archive column never written (0 in text, null in JSON)
    std::array<std::optional<QString>, link::kProfileSlotCount> values;
    std::optional<ops::ProfileWords> words;  // as read from the meter, for their flags
};
DaySlices fromMeter(const QDate& day, const ops::ProfileWords& words);
DaySlices fromArchive(const archive::ProfileRow& row);

// The day as text: a heading, then per slice its number, end time, date, value and, when
// read from the meter, "Ок" or "Срез не целый".
QStringList dayText(const DaySlices& slices);
// The day as a JSON object: date, factory when given, slots [{k, end, value[, complete]}].
QString dayJson(const DaySlices& slices);

}  // namespace vilt::cli
