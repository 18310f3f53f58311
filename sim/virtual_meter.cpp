#include "virtual_meter.h"

#include "crc16.h"
#include "request_table.h"
#include "scramble.h"

namespace vilt::sim {
namespace {

constexpr uint8_t kIdentityCode = 0x25;
constexpr uint8_t kChallengeCode = 0x1C;
constexpr uint8_t kLoginCode = 0x20;
constexpr char kAccept = '\xAA';
constexpr char kRefuse = '\x00';
constexpr int kAckReplyLength = 7;
constexpr int kAckOffset = 4;
constexpr int kPlaceLength = 16;
constexpr uint32_t kAddressMask = 0xFFFFFF;
constexpr uint32_t kChallengeSeed = 0x5A17C3E1;

void appendLe16(QByteArray& out, uint16_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void appendLe32(QByteArray& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

uint32_t readLe32(const QByteArray& bytes, int offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    }
    return value;
}

uint32_t xorshift32(uint32_t x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x != 0 ? x : kChallengeSeed;
}

// Rewrites a frame body and puts a fresh CRC on it, so only the intended byte is wrong.
void replaceByte(QByteArray& frame, qsizetype offset, char value) {
    frame.chop(2);
    frame[offset] = value;
    appendCrc(frame);
}

bool faultApplies(FaultKind kind, uint8_t code, const QByteArray& frame) {
    switch (kind) {
        case FaultKind::None:
            return false;
        case FaultKind::WrongAck:
            return frame.size() == kAckReplyLength;
        case FaultKind::PasswordRefused:
            return code == kLoginCode;
        default:
            return true;
    }
}

Reply withFault(QByteArray frame, const Fault& fault) {
    Reply reply;
    switch (fault.kind) {
        case FaultKind::Silent:
            return reply;
        case FaultKind::BadCrc:
            frame[frame.size() - 1] = static_cast<char>(~frame[frame.size() - 1]);
            break;
        case FaultKind::WrongCode:
            replaceByte(frame, kCodeOffset, static_cast<char>(frame[kCodeOffset] ^ 0x80));
            break;
        case FaultKind::ExtraByte:
            frame.append('\0');
            break;
        case FaultKind::MissingByte:
            frame.chop(1);
            break;
        case FaultKind::WrongAck:
            replaceByte(frame, kAckOffset, static_cast<char>(frame[kAckOffset] ^ 0xFF));
            break;
        case FaultKind::Delay:
            reply.delayMs = fault.ms;
            break;
        case FaultKind::Split:
            reply.splitAt = static_cast<int>(frame.size() / 2);
            reply.gapMs = fault.ms;
            break;
        case FaultKind::None:
        case FaultKind::PasswordRefused:  // already in the ack byte
            break;
    }
    reply.bytes = frame;
    return reply;
}

}  // namespace

VirtualMeter::VirtualMeter(MeterState state) : m_state(std::move(state)) {}

void VirtualMeter::setFault(int code, Fault fault) {
    if (fault.kind == FaultKind::None || fault.times == 0) {
        m_faults.remove(code);
    } else {
        m_faults.insert(code, fault);
    }
}

void VirtualMeter::clearFaults() {
    m_faults.clear();
}

void VirtualMeter::setNextChallenge(uint32_t challenge) {
    m_nextChallenge = challenge;
}

Reply VirtualMeter::answer(const QByteArray& request) {
    m_requests.append(request);
    if (!crcMatches(request)) {
        return {};
    }
    uint8_t code = kLocalIdentityCode;
    if (request.size() != kLocalIdentityLength || !isLocalIdentityRequest(request)) {
        if (request.size() <= kCodeOffset + 2 || !request.startsWith(header())) {
            return {};
        }
        code = static_cast<uint8_t>(request[kCodeOffset]);
        if (requestLength(code) != request.size()) {
            return {};
        }
    }
    const Fault fault = peekFault(code);
    const QByteArray frame = handle(code, request, fault.kind == FaultKind::PasswordRefused);
    if (frame.isEmpty()) {
        return {};
    }
    if (!faultApplies(fault.kind, code, frame)) {
        return {frame};
    }
    spendFault(code);
    return withFault(frame, fault);
}

Fault VirtualMeter::peekFault(int code) const {
    if (const auto own = m_faults.constFind(code); own != m_faults.cend()) {
        return *own;
    }
    return m_faults.value(kAllCommands);
}

void VirtualMeter::spendFault(int code) {
    const int key = m_faults.contains(code) ? code : kAllCommands;
    const auto it = m_faults.find(key);
    if (it != m_faults.end() && it->times > 0 && --it->times == 0) {
        m_faults.erase(it);
    }
}

QByteArray VirtualMeter::handle(uint8_t code, const QByteArray& request, bool refuseLogin) {
    switch (code) {
        case kLocalIdentityCode:
        case kIdentityCode:
            return identityReply(code);
        case kChallengeCode:
            return challengeReply();
        case kLoginCode:
            return loginReply(request, refuseLogin);
        default:
            return {};
    }
}

QByteArray VirtualMeter::header() const {
    QByteArray out;
    const uint32_t address = m_state.factory & kAddressMask;
    for (int shift = 0; shift < 24; shift += 8) {
        out.append(static_cast<char>((address >> shift) & 0xFF));
    }
    return out;
}

QByteArray VirtualMeter::identityReply(uint8_t code) const {
    QByteArray frame = header();
    frame.append(static_cast<char>(code));
    appendLe16(frame, m_state.model);
    appendLe16(frame, m_state.version);
    frame.append(2, '\0');
    QByteArray place = m_state.place.first(qMin(m_state.place.size(), qsizetype{kPlaceLength}));
    place.append(kPlaceLength - place.size(), '\0');
    frame.append(place);
    appendCrc(frame);
    return frame;
}

QByteArray VirtualMeter::challengeReply() {
    m_challenge = m_nextChallenge;
    m_challengeGiven = true;
    m_nextChallenge = xorshift32(m_challenge);
    QByteArray frame = header();
    frame.append(static_cast<char>(kChallengeCode));
    appendLe32(frame, m_challenge);
    appendCrc(frame);
    return frame;
}

QByteArray VirtualMeter::loginReply(const QByteArray& request, bool refuse) const {
    // A login with no challenge handed out yet cannot be right.
    const bool accepted =
        !refuse && m_challengeGiven &&
        readLe32(request, kCodeOffset + 1) == passwordCode(m_state.password, m_challenge);
    QByteArray frame = header();
    frame.append(static_cast<char>(kLoginCode));
    frame.append(accepted ? kAccept : kRefuse);
    appendCrc(frame);
    return frame;
}

}  // namespace vilt::sim
