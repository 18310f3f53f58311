#pragma once
// The meter's state to and from text, for the command-line options and the control lines.
// Nothing here does I/O.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

#include "sim/virtual_meter.h"

namespace vilt::sim {

// Decimal (optionally negative) or 0x-prefixed hex, within [min, max].
std::optional<qint64> parseNumber(QStringView text, qint64 min, qint64 max);

// Exactly `count` bytes as hex digits; spaces between them are allowed.
std::optional<QByteArray> parseHexBytes(QStringView text, qsizetype count);

// Place of installation as the meter stores it: Windows-1251, at most 16 bytes.
std::optional<QByteArray> encodePlace(const QString& text, QString& error);

// "YYYY-MM-DD HH:MM:SS" within 2000-2099, as a wall-clock reading.
std::optional<QDateTime> parseClock(QStringView text, QString& error);

// Sets one field from text: factory, model, version, place, password, dst,
// clock ("YYYY-MM-DD HH:MM:SS"), clockbytes (7 hex bytes), journal ("J <50 hex bytes>"),
// limits (16 hex bytes), calibration (one hex byte), energy, month, rmonth or profile (see
// energy_text.h), zones or calendar (see schedule_text.h).
// False with `error` on bad input, and the state unchanged.
bool setMeterField(MeterState& state, QStringView name, const QString& value, QString& error);

// The text `get` answers for clock, dst, place, password, speed, resets, limits (32 hex
// digits), calibration (2 hex digits), serial or out512 (decimal), calendar (96 hex digits).
std::optional<QString> meterFieldText(VirtualMeter& meter, QStringView name, QString& error);

}  // namespace vilt::sim
