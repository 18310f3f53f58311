#pragma once
// Text settings for the virtual meter, shared by the command-line options and the control
// lines the pty server reads on stdin. Nothing here does I/O.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

#include "sim/state_text.h"
#include "sim/virtual_meter.h"

namespace vilt::sim {

struct FaultSetting {
    int code = kAllCommands;
    Fault fault;
};

// "<code|all> <kind> [ms] [times]", code in hex ("25" or "0x25").
std::optional<FaultSetting> parseFault(QStringView text, QString& error);

struct ControlResult {
    bool ok = true;
    QString error;
    bool quit = false;
    std::optional<QString> value;  // what `get` answers, after the OK
};

// One control line: fault ..., clear, set <field> <value>, get <state>, quit.
ControlResult applyControlLine(VirtualMeter& meter, QStringView line);

}  // namespace vilt::sim
