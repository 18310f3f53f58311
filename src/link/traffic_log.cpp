#include "link/traffic_log.h"

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
    add({m_clock.elapsed(), Direction::Sent, hexOf(frame, secret(command)),
         QStringLiteral("%1 %2").arg(QLatin1String(info.name), to)});
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
