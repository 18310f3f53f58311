#include "link/traffic_log.h"

#include "link/text1251.h"

namespace vilt::link {

namespace {

bool secret(Command command) {
    return command == Command::Login || command == Command::WritePassword;
}

// A secret request shows its header and code only: its CRC would narrow the secret down.
QString hexOf(std::span<const uint8_t> frame, bool maskPayload) {
    QStringList bytes;
    for (size_t i = 0; i < frame.size(); ++i) {
        const bool masked = maskPayload && i >= 4;
        bytes << (masked ? QStringLiteral("**")
                         : QStringLiteral("%1").arg(frame[i], 2, 16, QLatin1Char('0')).toUpper());
    }
    return bytes.join(QLatin1Char(' '));
}

QString byteText(uint8_t byte) {
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}

// Two BCD digits as they are sent: 0x05 → "05".
QString bcd(uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString energyKind(uint8_t kind) {
    if (kind == 0) return QStringLiteral("active");
    if (kind == 1) return QStringLiteral("reactive");
    return QStringLiteral("kind %1").arg(byteText(kind));
}

// The request fields the log names, after the command; empty where the bytes say enough.
QString requestFields(Command command, std::span<const uint8_t> p) {
    switch (command) {
        case Command::ReadZones:
        case Command::WriteZones:
            return QStringLiteral("season %1").arg(p[0]);
        case Command::WriteDst:
            return QStringLiteral("DST %1").arg(byteText(p[0]));
        case Command::WriteClock:
            return QStringLiteral("clock %1:%2:%3 %4.%5.%6 day %7")
                .arg(bcd(p[2]), bcd(p[1]), bcd(p[0]), bcd(p[4]), bcd(p[5]), bcd(p[6]))
                .arg(p[3]);
        case Command::ReadEnergy:
            return energyKind(p[0]);
        case Command::ReadEvent:
            return QStringLiteral("journal %1").arg(p[0]);
        case Command::ReadMonth:
            return QStringLiteral("month %1 %2").arg(p[0]).arg(energyKind(p[1]));
        case Command::ReadProfile:
            return QStringLiteral("day %1.%2.%3").arg(bcd(p[0]), bcd(p[1]), bcd(p[2]));
        case Command::WritePlace:
            return QStringLiteral("place \"%1\"").arg(decode1251(p, static_cast<int>(p.size())));
        case Command::WriteSpeed:
            return QStringLiteral("speed code %1").arg(p[0]);
        case Command::WriteCalibration:
            return QStringLiteral("calibration %1").arg(byteText(p[0]));
        default:
            return {};
    }
}

// Why a reply was refused, with what was expected and what came.
QString refusal(const CommandInfo& info, std::span<const uint8_t> frame, Check check) {
    switch (check) {
        case Check::Ok:
            return QStringLiteral("ok");
        case Check::Count:
            return QStringLiteral("refused: %1 bytes, expected %2")
                .arg(frame.size())
                .arg(info.replyLength);
        case Check::Code:
            return QStringLiteral("refused: code %1, expected %2")
                .arg(byteText(frame[3]), byteText(code(info.command)));
        case Check::Crc:
            return QStringLiteral("refused: CRC does not check");
        case Check::Ack:
            return QStringLiteral("refused: acknowledgement %1, expected %2")
                .arg(byteText(frame[4]), byteText(info.ack.value_or(0)));
    }
    return {};
}

}  // namespace

TrafficLog::TrafficLog() {
    m_clock.start();
}

void TrafficLog::sent(Command command, std::span<const uint8_t> frame, uint32_t address) {
    const CommandInfo& info = commandInfo(command);
    const QString to = command == Command::LocalIdentity
                           ? QStringLiteral("local")
                           : QStringLiteral("@%1").arg(address & 0xFFFFFF);
    QString decoded = QStringLiteral("%1 %2").arg(QLatin1String(info.name), to);
    if (command != Command::LocalIdentity && frame.size() >= size_t(4 + info.payload)) {
        const QString fields = requestFields(command, frame.subspan(4, size_t(info.payload)));
        if (!fields.isEmpty()) decoded += QLatin1Char(' ') + fields;
    }
    add({m_clock.elapsed(), Direction::Sent, hexOf(frame, secret(command)), decoded});
}

void TrafficLog::received(Command command, std::span<const uint8_t> frame, Check check) {
    const CommandInfo& info = commandInfo(command);
    add({m_clock.elapsed(), Direction::Received, hexOf(frame, false),
         QStringLiteral("%1 %2").arg(QLatin1String(info.name), refusal(info, frame, check))});
}

void TrafficLog::discarded(int count) {
    add({m_clock.elapsed(),
         Direction::Discarded,
         {},
         QStringLiteral("%1 late bytes thrown away").arg(count)});
}

namespace {

// The modem's text with its control characters named: "at+ipr=9600\r".
QString modemLine(std::span<const uint8_t> bytes) {
    QString text;
    for (const uint8_t byte : bytes) {
        if (byte == '\r') {
            text += QStringLiteral("\\r");
        } else if (byte == '\n') {
            text += QStringLiteral("\\n");
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += QLatin1Char(char(byte));
        } else {
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return QStringLiteral("modem \"%1\"").arg(text);
}

}  // namespace

void TrafficLog::modemText(Direction direction, std::span<const uint8_t> bytes) {
    add({m_clock.elapsed(), direction, hexOf(bytes, false), modemLine(bytes)});
}

void TrafficLog::add(TrafficEntry entry) {
    if (onEntry) onEntry(entry);
    if (m_ring.size() < kCapacity) {
        m_ring.push_back(std::move(entry));
        return;
    }
    m_ring[m_next] = std::move(entry);
    m_next = (m_next + 1) % kCapacity;
}

QList<TrafficEntry> TrafficLog::entries() const {
    QList<TrafficEntry> list;
    list.reserve(static_cast<qsizetype>(m_ring.size()));
    for (size_t i = 0; i < m_ring.size(); ++i) list << m_ring[(m_next + i) % m_ring.size()];
    return list;
}

void TrafficLog::clear() {
    m_ring.clear();
    m_next = 0;
    m_clock.restart();
}

QString formatEntry(const TrafficEntry& entry) {
    static const char* kArrows[] = {">", "<", "x"};
    return QStringLiteral("%1 %2  %3  %4")
        .arg(QString::number(double(entry.ms) / 1000, 'f', 3).rightJustified(9))
        .arg(QLatin1String(kArrows[static_cast<int>(entry.direction)]))
        .arg(entry.hex, entry.decoded)
        .trimmed();
}

}  // namespace vilt::link
