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

inline constexpr int kMaxLatencyMs = 10'000;

struct FaultSetting {
    int code = kAllCommands;
    Fault fault;
};

// "<code|all> <kind> [ms] [times]", code in hex ("25" or "0x25").
std::optional<FaultSetting> parseFault(QStringView text, QString& error);

// The meter's think time before it starts a reply, 0..kMaxLatencyMs.
std::optional<int> parseLatency(QStringView text, QString& error);

struct ControlResult {
    bool ok = true;
    QString error;
    bool quit = false;
    std::optional<QString> value;  // what `get` answers, after the OK
    std::optional<int> latencyMs;  // `set latency`: for whoever times the replies
};

// One control line: fault ..., clear, set <field> <value>, set latency MS, get <state> [key],
// quit. The latency is not the meter's: it is handed back in the result.
ControlResult applyControlLine(VirtualMeter& meter, QStringView line);

}  // namespace vilt::sim
