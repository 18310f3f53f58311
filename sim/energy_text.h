#pragma once
// The meter's counts and daily profiles to and from text, for the control lines.
// Nothing here does I/O.

#include <QString>
#include <QStringView>
#include <optional>

#include "sim/virtual_meter.h"

namespace vilt::sim {

// "active|reactive C1 C2 C3 C4": the counts now, signed 32-bit hundredths.
bool setEnergy(MeterState& state, const QString& value, QString& error);

// "M C1 C2 C3 C4": the active (setMonth) or reactive (setReactiveMonth) counts at the end of
// month M, 1-12.
bool setMonth(MeterState& state, const QString& value, QString& error);
bool setReactiveMonth(MeterState& state, const QString& value, QString& error);

// "YYYY-MM-DD WORDS" with the 48 words as 192 hex digits, high byte first as they go out,
// spaces allowed; or "YYYY-MM-DD none|absent105|odd8" for the day answered without words;
// or "YYYY-MM-DD default" to let the default rule answer for it again.
bool setProfile(MeterState& state, const QString& value, QString& error);

// What `get energy active|reactive`, `get month M`, `get rmonth M` and
// `get profile YYYY-MM-DD` answer: four counts in decimal; 192 hex digits or the shape
// (none, absent105, odd8). nullopt with `error` for any other name or a bad key.
std::optional<QString> countsText(VirtualMeter& meter, QStringView name, QStringView key,
                                  QString& error);

}  // namespace vilt::sim
