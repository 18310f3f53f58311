#include "link/exchange.h"

#include <algorithm>
#include <stdexcept>

#include "comm/comm_error.h"
#include "link/crc.h"
#include "link/traffic_log.h"
#include "link/waiter.h"

namespace vilt::link {

Exchange::Exchange(comm::SerialLine& line, Waiter& waiter) : m_line(line), m_waiter(waiter) {}

void Exchange::clearBuffer() {
    m_buffer.fill(0);
}

void Exchange::Del(int steps) {
    if (m_progress) m_progress(steps, 0);
    for (int position = 1; position <= steps; ++position) {
        m_waiter.sleep(2);
        if (m_progress) m_progress(steps, position);
    }
    m_waiter.sleep(20);
    if (m_progress) m_progress(steps, 0);
}

std::span<const uint8_t> Exchange::receiveArea() const {
    return std::span(m_buffer).subspan(kReceiveArea, kSendArea - kReceiveArea);
}

std::span<const uint8_t> Exchange::sendArea() const {
    return std::span(m_buffer).subspan(kSendArea, kModemArea - kSendArea);
}

std::span<const uint8_t> Exchange::replyData(int count) const {
    return receiveArea().subspan(4, static_cast<size_t>(count));
}

// Returns the request length; the trailer bytes stay zero from clearBuffer.
int Exchange::buildRequest(const CommandInfo& info, std::span<const uint8_t> payload) {
    if (static_cast<int>(payload.size()) != info.payload)
        throw std::logic_error("payload length differs from the command table");
    uint8_t* send = m_buffer.data() + kSendArea;
    int n = 0;
    if (info.command == Command::LocalIdentity) {
        send[n++] = 0x00;
    } else {
        for (int i = 0; i < 3; ++i) send[n++] = static_cast<uint8_t>(meterAddress >> (8 * i));
    }
    send[n++] = code(info.command);
    std::copy(payload.begin(), payload.end(), send + n);
    n += static_cast<int>(payload.size()) + 2;
    const int32_t crc = frameCrc(send, n);
    send[n - 2] = static_cast<uint8_t>(crc >> 8);
    send[n - 1] = static_cast<uint8_t>(crc);
    return n + info.trailer;
}

namespace {

bool framed(const CommandInfo& info, std::span<const uint8_t> reply) {
    return reply[3] == code(info.command) &&
           (frameCrc(reply.data(), static_cast<int>(reply.size())) & 0xFFFF) == 0;
}

// Whether the fast read has a whole reply: the full length, or the short one when it is
// already a frame of this command. Anything longer is whole too, and refused.
bool wholeReply(const CommandInfo& info, std::span<const uint8_t> bytes) {
    const int count = static_cast<int>(bytes.size());
    if (count >= info.replyLength) return true;
    return info.shortReply > 0 && count == info.shortReply && framed(info, bytes);
}

}  // namespace

Check Exchange::checkReply(const CommandInfo& info, int count) const {
    const bool complete =
        count == info.replyLength || (info.shortReply > 0 && count == info.shortReply);
    if (!complete) return Check::Count;
    if (m_buffer[3] != code(info.command)) return Check::Code;
    if ((frameCrc(m_buffer.data(), count) & 0xFFFF) != 0) return Check::Crc;
    if (info.ack && m_buffer[4] != *info.ack) return Check::Ack;
    return Check::Ok;
}

// The specified cycle paces the progress bar, waits the reply wait and takes what has come; the
// fast one takes the reply as soon as it is whole.
int Exchange::readReply(const CommandInfo& info) {
    uint8_t* receive = m_buffer.data() + kReceiveArea;
    const int waitMs = m_waitMs * info.waitFactor;
    if (m_fast) {
        return m_line.ReadReply(receive, kReadSize, waitMs, [&info](std::span<const uint8_t> b) {
            return wholeReply(info, b);
        });
    }
    Del(kPacingSteps);
    m_waiter.sleep(waitMs);
    return m_line.Read(receive, kReadSize);
}

// A device that went away ends the operation at once: no retry can reach it.
void Exchange::throwIfLost() const {
    if (m_line.Lost()) throw comm::CommError(comm::kErrDeviceLost, -1);
}

// After a refused reply, replies may still be on their way: one that comes late must not be
// taken for the next request's. The line counts as settled once it has stayed quiet a
// while; a reply thrown away on the way may have had a follower, so it is tested again.
void Exchange::settleLine() {
    QByteArray thrown;
    const int dropped =
        m_line.Discard(m_lineUnsettled ? kSettleAfterFailureMs : 0, m_stray ? &thrown : nullptr);
    if (dropped > 0 && m_log) m_log->discarded(dropped);
    if (!thrown.isEmpty())
        m_stray({reinterpret_cast<const uint8_t*>(thrown.constData()), size_t(thrown.size())});
    if (m_lineUnsettled) m_lineUnsettled = dropped > 0;
}

Check Exchange::run(Command command, std::span<const uint8_t> payload) {
    const CommandInfo& info = commandInfo(command);
    clearBuffer();
    m_replyCount = 0;
    const int n = buildRequest(info, payload);
    throwIfLost();
    settleLine();
    const bool settled = !m_lineUnsettled;
    // Until its reply has been checked, a request leaves the line unsettled: an operation
    // stopped in the middle leaves a reply on its way.
    m_lineUnsettled = true;
    m_line.Write(m_buffer.data() + kSendArea, n);
    if (m_log)
        m_log->sent(command, std::span(m_buffer).subspan(kSendArea, size_t(n)), meterAddress);
    const int count = readReply(info);
    m_replyCount = std::max(count, 0);
    throwIfLost();
    const Check check = checkReply(info, count);
    const auto reply = receiveArea().first(size_t(std::max(count, 0)));
    if (m_log) m_log->received(command, reply, check);
    if (check != Check::Ok && m_stray && !reply.empty()) m_stray(reply);
    if (check == Check::Ok && settled) m_lineUnsettled = false;
    return check;
}

}  // namespace vilt::link
