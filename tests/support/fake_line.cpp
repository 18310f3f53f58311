#include "support/fake_line.h"

#include <algorithm>
#include <chrono>

#include "comm/comm_error.h"
#include "comm/tcomm.h"

namespace vilt::test {

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

namespace {

using ModemTime = sim::Modem::Clock::time_point;

ModemTime modemTime(qint64 ms) {
    return ModemTime(std::chrono::milliseconds(ms));
}

qint64 msOf(ModemTime at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

}  // namespace

void FakeLine::Open() {
    if (m_open) throw comm::CommError(comm::kErrAlreadyOpen, -1);
    m_clock.note(QStringLiteral("open %1").arg(m_name));
    if (!m_openable) return;
    m_open = true;
    m_lost = false;
    take(m_clock.now());
    m_input.clear();
}

void FakeLine::Close() {
    m_open = false;
    m_dtr = false;
    m_input.clear();
}

int FakeLine::Write(const uint8_t* data, int count) {
    if (!m_open) return -1;
    const QByteArray request(reinterpret_cast<const char*>(data), count);
    m_clock.note(QStringLiteral("write %1").arg(hex(request)));
    if (m_deaf) return count;
    if (m_modem) {
        throughModem(request);
        return count;
    }
    if (onRequest) onRequest(request);
    answer(request);
    return count;
}

void FakeLine::answer(const QByteArray& request) {
    const sim::Reply reply = m_meter.answer(request);
    if (reply.bytes.isEmpty()) return;
    const qint64 start = m_clock.now() + reply.delayMs;
    if (reply.splitAt < 0) {
        queue(start, reply.bytes);
    } else {
        queue(start, reply.bytes.left(reply.splitAt));
        queue(start + reply.gapMs, reply.bytes.mid(reply.splitAt));
    }
}

void FakeLine::queue(qint64 at, const QByteArray& bytes) {
    m_onTheWay.append({at, bytes});
    std::stable_sort(m_onTheWay.begin(), m_onTheWay.end(),
                     [](const Arrival& a, const Arrival& b) { return a.at < b.at; });
}

void FakeLine::throughModem(const QByteArray& bytes) {
    tickModem(m_clock.now());
    sim::Modem::Step step;
    m_modem->receive(bytes, modemTime(m_clock.now()), step);
    modemStep(step);
}

// What the modem passes on reaches the meter only while the call is up: a call dropped
// while a request was on its way leaves it unanswered.
void FakeLine::modemStep(const sim::Modem::Step& step) {
    for (const QByteArray& frame : m_frames.feed(step.toMeter)) {
        if (onRequest) onRequest(frame);
        if (m_modem->state() == sim::Modem::State::Data) answer(frame);
    }
    for (const sim::Modem::Output& output : step.toLine) queue(msOf(output.due), output.bytes);
}

void FakeLine::tickModem(qint64 until) {
    if (!m_modem) return;
    while (const auto due = m_modem->nextDeadline()) {
        const qint64 at = std::max(msOf(*due), m_clock.now());
        const qint64 limit = m_onTheWay.isEmpty() ? until : std::min(until, m_onTheWay.first().at);
        if (at > limit) return;
        sim::Modem::Step step;
        m_modem->tick(modemTime(at), step);
        modemStep(step);
    }
}

std::optional<qint64> FakeLine::nextArrival(qint64 until) {
    tickModem(until);
    if (m_onTheWay.isEmpty() || m_onTheWay.first().at > until) return std::nullopt;
    return m_onTheWay.first().at;
}

// Everything that has arrived by until, the modem's timed work up to then done.
void FakeLine::take(qint64 until) {
    while (nextArrival(until)) m_input += m_onTheWay.takeFirst().bytes;
}

void FakeLine::dropCall() {
    sim::Modem::Step step;
    m_modem->farEndHangUp(modemTime(m_clock.now()), step);
    modemStep(step);
}

int FakeLine::Read(uint8_t* data, int count) {
    if (!m_open) return -1;
    take(m_clock.now());
    if (m_input.isEmpty()) {
        const qint64 deadline = m_clock.now() + comm::TComm::kSilentReadMs;
        qint64 end = deadline;
        while (const auto at = nextArrival(deadline)) {
            end = *at;
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
        const auto more = nextArrival(until);
        m_clock.advance((more ? *more : until) - m_clock.now());
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
int FakeLine::Discard(int quietMs, QByteArray* thrown) {
    if (!m_open) return -1;
    take(m_clock.now());
    int dropped = static_cast<int>(m_input.size());
    if (thrown) thrown->append(m_input);
    m_input.clear();
    qint64 quietUntil = m_clock.now() + std::max(quietMs, 0);
    while (nextArrival(quietUntil)) {
        const Arrival arrival = m_onTheWay.takeFirst();
        dropped += static_cast<int>(arrival.bytes.size());
        if (thrown) thrown->append(arrival.bytes);
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
