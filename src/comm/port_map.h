#pragma once
// Port names as the user sees them ("Com1" … "Com12") and the devices behind them.
//
// A symbolic link comN in portsFolder() wins (tests and the demo link com1 to a virtual
// meter there); without one, ComN is the N-th present serial device in a stable order.

#include <QString>
#include <QStringList>
#include <optional>

namespace vilt::comm {

class SerialLine;

inline constexpr int kPortCount = 12;

QString portName(int number);                        // 1 → "Com1"
std::optional<int> portNumber(const QString& name);  // "Com3" / "com3" → 3, else none
QString portsFolder();                               // $XDG_DATA_HOME/vilt-service/ports
// The device path to open for a port name; any other text is taken as a path itself.
QString devicePath(const QString& name);
// The device a port name reaches, links followed, so that two names of one device ("Com2"
// through the port map and the path it points at) give the same text; empty for a port
// name that reaches no device.
QString deviceIdentity(const QString& name);

// Start-up discovery: the names "Com1" … "Com12" that could be opened, ascending. Each
// opened port is closed again; the component is left with the name "Com12".
QStringList discoverPorts(SerialLine& comm);

}  // namespace vilt::comm
