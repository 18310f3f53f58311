#include "comm/port_map.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <algorithm>

#include "comm/tcomm.h"

namespace vilt::comm {

QString portName(int number) {
    return QStringLiteral("Com%1").arg(number);
}

std::optional<int> portNumber(const QString& name) {
    static const QRegularExpression kPattern(QStringLiteral("^com([1-9][0-9]?)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const auto match = kPattern.match(name);
    if (!match.hasMatch()) return std::nullopt;
    const int number = match.captured(1).toInt();
    if (number > kPortCount) return std::nullopt;
    return number;
}

QString portsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/vilt-service/ports");
}

namespace {

QString nthSerialDevice(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    QStringList devices;
    for (const auto& info : QSerialPortInfo::availablePorts()) devices << info.systemLocation();
    std::sort(devices.begin(), devices.end());
    return number <= devices.size() ? devices[number - 1] : QString();
#endif
}

}  // namespace

QString devicePath(const QString& name) {
    const auto number = portNumber(name);
    if (!number) return name;
    const QFileInfo link(QDir(portsFolder()).filePath(QStringLiteral("com%1").arg(*number)));
    if (link.isSymLink()) return link.symLinkTarget();
    return nthSerialDevice(*number);
}

QString deviceIdentity(const QString& name) {
    const QString path = devicePath(name);
    const QString device = QFileInfo(path).canonicalFilePath();
    return device.isEmpty() ? path : device;
}

QStringList discoverPorts(SerialLine& comm) {
    QStringList found;
    for (int number = 1; number <= kPortCount; ++number) {
        const QString name = portName(number);
        comm.SetDeviceName(name);
        comm.Close();
        comm.Open();
        if (comm.Enabled()) {
            found << name;
            comm.Close();
        }
        comm.Close();
    }
    return found;
}

}  // namespace vilt::comm
