#include "sim/virtual_meter.h"

#include "sim/crc16.h"
#include "sim/request_table.h"
#include "sim/scramble.h"

namespace vilt::sim {
namespace {

constexpr uint8_t kReadDstCode = 0x0E;
constexpr uint8_t kWriteDstCode = 0x0F;
constexpr uint8_t kReadClockCode = 0x10;
constexpr uint8_t kWriteClockCode = 0x11;
constexpr uint8_t kJournalCode = 0x14;
constexpr uint8_t kWritePlaceCode = 0x19;
constexpr uint8_t kChallengeCode = 0x1C;
constexpr uint8_t kWriteSpeedCode = 0x1D;
constexpr uint8_t kLoginCode = 0x20;
constexpr uint8_t kWritePasswordCode = 0x21;
constexpr uint8_t kResetCode = 0x23;
constexpr uint8_t kIdentityCode = 0x25;
constexpr char kAccept = '\xAA';
constexpr char kPasswordAccept = '\x55';  // the password write has its own accept byte
constexpr char kRefuse = '\x00';
// Turns any ack into a byte that is neither accept (AA, 55) nor refuse (00).
constexpr char kWrongAckMask = '\x0F';
constexpr int kAckOffset = 4;
constexpr int kPayloadOffset = 4;
constexpr int kPlaceLength = 16;
constexpr int kHighestSpeedCode = 2;
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

bool repliesWithAck(uint8_t code) {
    switch (code) {
        case kWriteDstCode:
        case kWriteClockCode:
        case kWritePlaceCode:
        case kWriteSpeedCode:
        case kLoginCode:
        case kWritePasswordCode:
        case kResetCode:
            return true;
        default:
            return false;
    }
}

bool faultApplies(FaultKind kind, uint8_t code) {
    switch (kind) {
        case FaultKind::None:
            return false;
        case FaultKind::WrongAck:
        case FaultKind::OtherAck:
            return repliesWithAck(code);
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
            replaceByte(frame, kAckOffset, static_cast<char>(frame[kAckOffset] ^ kWrongAckMask));
            break;
        case FaultKind::OtherAck:
            if (frame[kAckOffset] == kAccept || frame[kAckOffset] == kPasswordAccept)
                replaceByte(frame, kAckOffset,
                            frame[kAckOffset] == kAccept ? kPasswordAccept : kAccept);
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

VirtualMeter::VirtualMeter(MeterState state) : m_state(std::move(state)) {
    restartClock();
}

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
    if (!faultApplies(fault.kind, code)) {
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
        case kReadClockCode:
            return dataReply(code, clockFrame());
        case kWriteClockCode:
            return writeClock(request);
        case kReadDstCode:
            return dataReply(code, QByteArray(1, static_cast<char>(m_state.dst)));
        case kWriteDstCode:
            m_state.dst = static_cast<uint8_t>(request[kPayloadOffset]);
            return ackReply(code, kAccept);
        case kJournalCode:
            return journalReply(request);
        case kWritePlaceCode:
            return writePlace(request);
        case kResetCode:
            ++m_state.resets;
            return ackReply(code, kAccept);
        case kWritePasswordCode:
            return writePassword(request);
        case kWriteSpeedCode:
            return writeSpeed(request);
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

QByteArray VirtualMeter::ackReply(uint8_t code, char ack) const {
    return dataReply(code, QByteArray(1, ack));
}

QByteArray VirtualMeter::dataReply(uint8_t code, const QByteArray& data) const {
    QByteArray frame = header();
    frame.append(static_cast<char>(code));
    frame.append(data);
    appendCrc(frame);
    return frame;
}

QByteArray VirtualMeter::writeClock(const QByteArray& request) {
    const auto time =
        decodeClockFrame(QByteArrayView(request).sliced(kPayloadOffset, kClockFrameLength));
    if (!time) {
        return ackReply(kWriteClockCode, kRefuse);
    }
    m_state.clock = wallClock(time->date, time->time);
    m_state.weekday = time->weekday;
    m_state.frozenClock.clear();
    restartClock();
    return ackReply(kWriteClockCode, kAccept);
}

QByteArray VirtualMeter::journalReply(const QByteArray& request) const {
    const auto number = static_cast<uint8_t>(request[kPayloadOffset]);
    QByteArray journal;
    if (number < kJournalCount) {
        journal = m_state.journals[number].first(
            qMin(m_state.journals[number].size(), qsizetype{kJournalLength}));
    }
    journal.append(kJournalLength - journal.size(), '\0');
    return dataReply(kJournalCode, journal);
}

QByteArray VirtualMeter::writePlace(const QByteArray& request) {
    const QByteArray place = request.sliced(kPayloadOffset, kPlaceLength);
    const qsizetype end = place.indexOf('\0');
    m_state.place = end < 0 ? place : place.first(end);
    return ackReply(kWritePlaceCode, kAccept);
}

QByteArray VirtualMeter::writePassword(const QByteArray& request) {
    m_state.password = static_cast<int32_t>(readLe32(request, kPayloadOffset));
    return ackReply(kWritePasswordCode, kPasswordAccept);
}

QByteArray VirtualMeter::writeSpeed(const QByteArray& request) {
    const auto speedCode = static_cast<uint8_t>(request[kPayloadOffset]);
    if (speedCode > kHighestSpeedCode) {
        return ackReply(kWriteSpeedCode, kRefuse);
    }
    m_state.speedCode = speedCode;
    return ackReply(kWriteSpeedCode, kAccept);
}

MeterTime VirtualMeter::clockNow() {
    noticeClockEdit();
    if (!m_state.clock.isValid()) {
        const QDateTime host = QDateTime::currentDateTime();
        return {host.date(), host.time(), host.date().dayOfWeek()};
    }
    return advanceClock(m_state.clock, m_state.weekday, m_sinceClockSet.elapsed());
}

QByteArray VirtualMeter::clockFrame() {
    if (m_state.frozenClock.isEmpty()) {
        return encodeClockFrame(clockNow());
    }
    QByteArray frame =
        m_state.frozenClock.first(qMin(m_state.frozenClock.size(), qsizetype{kClockFrameLength}));
    frame.append(kClockFrameLength - frame.size(), '\0');
    return frame;
}

void VirtualMeter::restartClock() {
    m_sinceClockSet.start();
    m_clockSeen = m_state.clock;
    m_weekdaySeen = m_state.weekday;
}

void VirtualMeter::noticeClockEdit() {
    if (m_state.clock != m_clockSeen || m_state.weekday != m_weekdaySeen) {
        restartClock();
    }
}

}  // namespace vilt::sim
