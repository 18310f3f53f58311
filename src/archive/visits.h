#pragma once
// The record of visits: one row per meter a round or the window's batch visited, whatever
// the visit came to. Made by the first visit stored into an archive that has none.
//
//   visits   Visited, Station, Zav_N, Label, Result, Offset_s, Energy, Seq
//
// Visited is the local time the visit ended, 'yyyy-mm-dd hh:mm:ss': as text it sorts and
// compares as time does on every engine. Seq numbers the rows in the order they were stored.

#include <QDateTime>
#include <QString>
#include <optional>

namespace vilt::archive {

// The longest station name, in characters.
inline constexpr int kStationLength = 64;

struct VisitRecord {
    QDateTime visited;  // local time, to the second
    QString station;    // the computer, or the name the user gave it
    qint64 factory = 0;
    QString label;                 // the round file's; empty from the window
    QString result;                // "ok", or what failed
    std::optional<qint64> offset;  // the meter's clock minus the station's, seconds
    std::optional<qint64> energy;  // active total, hundredths of kW·h

    bool operator==(const VisitRecord&) const = default;
};

// A station name: 1 … kStationLength printable characters (no control or format characters).
bool isStationName(const QString& name);

// This computer's host name, cut to kStationLength; "localhost" when it has none that is a
// station name.
QString defaultStation();

}  // namespace vilt::archive
