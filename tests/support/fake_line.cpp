#include "support/fake_line.h"

#include <algorithm>

#include "comm/comm_error.h"
#include "comm/tcomm.h"

namespace vilt::test {

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

int FakeLine::Write(const uint8_t* data, int count) {
    if (!m_open) return -1;
    const QByteArray request(reinterpret_cast<const char*>(data), count);
    m_clock.note(QStringLiteral("write %1").arg(hex(request)));
    if (onRequest) onRequest(request);
    const sim::Reply reply = m_meter.answer(request);
    if (reply.bytes.isEmpty()) return count;
    const qint64 start = m_clock.now() + reply.delayMs;
    if (reply.splitAt < 0) {
        m_onTheWay.append({start, reply.bytes});
    } else {
        m_onTheWay.append({start, reply.bytes.left(reply.splitAt)});
        m_onTheWay.append({start + reply.gapMs, reply.bytes.mid(reply.splitAt)});
    }
    std::stable_sort(m_onTheWay.begin(), m_onTheWay.end(),
                     [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
    return count;
}

void FakeLine::take(qint64 until) {
    while (!m_onTheWay.isEmpty() && m_onTheWay.first().at <= until)
        m_input += m_onTheWay.takeFirst().bytes;
}

int FakeLine::Read(uint8_t* data, int count) {
    if (!m_open) return -1;
    take(m_clock.now());
    if (m_input.isEmpty()) {
        const qint64 deadline = m_clock.now() + comm::TComm::kReadTimeoutMs;
        qint64 end = deadline;
        while (!m_onTheWay.isEmpty() && m_onTheWay.first().at <= deadline) {
            end = m_onTheWay.first().at;
            take(end);
            if (m_input.size() >= count) break;
            end = deadline;
        }
        m_clock.advance(end - m_clock.now());
    }
    return hand(data, count);
}

int FakeLine::ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) {
    if (!m_open) return -1;
    const qint64 deadline = m_clock.now() + std::max(waitMs, 0);
    for (;;) {
        take(m_clock.now());
        if (m_input.size() >= count) break;
        const auto bytes = std::span(reinterpret_cast<const uint8_t*>(m_input.constData()),
                                     size_t(m_input.size()));
        const qint64 until = whole(bytes) ? std::min(m_clock.now() + kGuardMs, deadline) : deadline;
        const bool more = !m_onTheWay.isEmpty() && m_onTheWay.first().at <= until;
        m_clock.advance((more ? m_onTheWay.first().at : until) - m_clock.now());
        if (!more) break;
    }
    return hand(data, count);
}

int FakeLine::hand(uint8_t* data, int count) {
    const int n = std::min<int>(count, static_cast<int>(m_input.size()));
    std::copy_n(m_input.constData(), n, reinterpret_cast<char*>(data));
    m_input.remove(0, n);
    m_clock.note(QStringLiteral("read %1").arg(n));
    return n;
}

// Logged only when it throws something away or waits, so the usual exchange reads as before.
int FakeLine::Discard(int quietMs) {
    if (!m_open) return -1;
    take(m_clock.now());
    int dropped = static_cast<int>(m_input.size());
    m_input.clear();
    qint64 quietUntil = m_clock.now() + std::max(quietMs, 0);
    while (!m_onTheWay.isEmpty() && m_onTheWay.first().at <= quietUntil) {
        const Arrival arrival = m_onTheWay.takeFirst();
        dropped += static_cast<int>(arrival.bytes.size());
        quietUntil = std::max(quietUntil, arrival.at + quietMs);
    }
    if (quietMs > 0) m_clock.advance(quietUntil - m_clock.now());
    if (dropped > 0 || quietMs > 0) m_clock.note(QStringLiteral("discard %1").arg(dropped));
    return dropped;
}

void FakeLine::SetDTRState(bool on) {
    if (!m_open) throw comm::CommError(comm::kErrNotOpen, -1);
    if (m_lost) throw comm::CommError(comm::kErrDtr, 6);
    m_dtr = on;
}

int FakeLine::pendingBytes() const {
    int n = static_cast<int>(m_input.size());
    for (const auto& arrival : m_onTheWay) n += static_cast<int>(arrival.bytes.size());
    return n;
}

}  // namespace vilt::test
