#pragma once
// Text settings for the virtual meter, shared by the command-line options and the control
// lines the pty server reads on stdin. Nothing here does I/O.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

#include "virtual_meter.h"

namespace vilt::sim {

struct FaultSetting {
    int code = kAllCommands;
    Fault fault;
};

// Decimal (optionally negative) or 0x-prefixed hex, within [min, max].
std::optional<qint64> parseNumber(QStringView text, qint64 min, qint64 max);

// "<code|all> <kind> [ms] [times]", code in hex ("25" or "0x25").
std::optional<FaultSetting> parseFault(QStringView text, QString& error);

// Place of installation as the meter stores it: Windows-1251, at most 16 bytes.
std::optional<QByteArray> encodePlace(const QString& text, QString& error);

// Sets factory, model, version, place or password from text. False with `error` on bad input.
bool setMeterField(MeterState& state, QStringView name, const QString& value, QString& error);

struct ControlResult {
    bool ok = true;
    QString error;
    bool quit = false;
};

// One control line: fault ..., clear, set <field> <value>, quit.
ControlResult applyControlLine(VirtualMeter& meter, QStringView line);

}  // namespace vilt::sim
