#pragma once
// The meter's tariff schedule and calendar to and from text, for the control lines: as
// hex digits in the form they travel in. Nothing here does I/O.

#include <QString>
#include <QStringView>
#include <optional>

#include "sim/virtual_meter.h"

namespace vilt::sim {

// "N HEX36": season N (1-12) and its 18 packed bytes, spaces allowed.
bool setZones(MeterState& state, const QString& value, QString& error);
// "HEX96": the 24 calendar records as 48 bytes, spaces allowed.
bool setCalendar(MeterState& state, const QString& value, QString& error);

// What `get zones N` answers: 36 hex digits; nullopt with `error` for a bad season.
std::optional<QString> zonesText(const MeterState& state, QStringView key, QString& error);
// What `get calendar` answers: 96 hex digits.
QString calendarText(const MeterState& state);

}  // namespace vilt::sim
