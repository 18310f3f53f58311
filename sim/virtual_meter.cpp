#include "sim/virtual_meter.h"

#include <utility>

#include "sim/command_codes.h"
#include "sim/crc16.h"
#include "sim/reply_faults.h"
#include "sim/request_table.h"
#include "sim/scramble.h"

namespace vilt::sim {
namespace {

constexpr int kPayloadOffset = 4;
constexpr int kProfileDataLength = 99;  // 3 status bytes and 48 words
constexpr char kNoProfile = '\xFF';
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

void appendBe16(QByteArray& out, uint16_t value) {
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

uint32_t readLe32(const QByteArray& bytes, int offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    }
    return value;
}

// Exactly `length` bytes of `bytes`: cut, or filled up with zeros.
QByteArray padded(const QByteArray& bytes, qsizetype length) {
    QByteArray out = bytes.first(qMin(bytes.size(), length));
    out.append(length - out.size(), '\0');
    return out;
}

uint32_t xorshift32(uint32_t x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x != 0 ? x : kChallengeSeed;
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
    const auto code = requestCode(request);
    if (!code) {
        return {};
    }
    const Fault fault = peekFault(*code);
    const QByteArray frame = handle(*code, request, fault.kind == FaultKind::PasswordRefused);
    if (frame.isEmpty()) {
        return {};
    }
    if (!faultApplies(fault.kind, *code)) {
        return {frame};
    }
    spendFault(*code);
    return withFault(frame, fault);
}

std::optional<uint8_t> VirtualMeter::requestCode(const QByteArray& request) const {
    if (request.size() == kLocalIdentityLength && isLocalIdentityRequest(request)) {
        return kLocalIdentityCode;
    }
    if (request.size() <= kCodeOffset + 2 || !request.startsWith(header())) {
        return std::nullopt;
    }
    const auto code = static_cast<uint8_t>(request[kCodeOffset]);
    const int trailer = trailerLength(code);
    // A trailer is zeros after the CRC; anything else there is a garbled request.
    if (requestLength(code) != request.size() || !request.endsWith(QByteArray(trailer, '\0')) ||
        !crcMatches(QByteArrayView(request).chopped(trailer))) {
        return std::nullopt;
    }
    return code;
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
            return handleSetting(code, request);
    }
}

QByteArray VirtualMeter::handleSetting(uint8_t code, const QByteArray& request) {
    switch (code) {
        case kReadLimitsCode:
            return dataReply(code, padded(m_state.limits, kLimitsLength));
        case kWriteLimitsCode:
            m_state.limits = request.sliced(kPayloadOffset, kLimitsLength);
            return ackReply(code, kAccept);
        case kOut512Code:
            ++m_state.out512;
            return ackReply(code, kAccept);
        case kReadCalibrationCode:
            return dataReply(code, QByteArray(1, static_cast<char>(m_state.calibration)));
        case kWriteCalibrationCode:
            m_state.calibration = static_cast<uint8_t>(request[kPayloadOffset]);
            return ackReply(code, kAccept);
        case kSerialStepOneCode:
            m_serialStepOne = true;
            return ackReply(code, kAccept);
        case kSerialStepTwoCode:
            return writeSerial(request);
        default:
            return handleReading(code, request);
    }
}

QByteArray VirtualMeter::handleReading(uint8_t code, const QByteArray& request) {
    switch (code) {
        case kEnergyCode:
            return energyReply(request);
        case kMonthEndCode:
            return monthReply(request);
        case kProfileCode:
            return profileReply(request);
        default:
            return handleSchedule(code, request);
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
    frame.append(padded(m_state.place, kPlaceLength));
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
    const QByteArray journal = number < kJournalCount ? m_state.journals[number] : QByteArray();
    return dataReply(kJournalCode, padded(journal, kJournalLength));
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

// The number goes in only as the second of two steps; each second step uses the first up.
QByteArray VirtualMeter::writeSerial(const QByteArray& request) {
    if (!std::exchange(m_serialStepOne, false)) {
        return ackReply(kSerialStepTwoCode, kRefuse);
    }
    m_state.serialNumber = static_cast<int32_t>(readLe32(request, kPayloadOffset));
    return ackReply(kSerialStepTwoCode, kAccept);
}

QByteArray VirtualMeter::countsReply(uint8_t code, const TariffCounts& counts) const {
    QByteArray data;
    for (const int32_t count : counts) {
        appendLe32(data, static_cast<uint32_t>(count));
    }
    return dataReply(code, data);
}

// A kind of energy the meter does not count gets no answer, like a request it cannot parse.
QByteArray VirtualMeter::energyReply(const QByteArray& request) const {
    const auto kind = static_cast<uint8_t>(request[kPayloadOffset]);
    if (kind >= kEnergyKinds) {
        return {};
    }
    return countsReply(kEnergyCode, m_state.energy[kind]);
}

QByteArray VirtualMeter::monthReply(const QByteArray& request) const {
    const auto month = static_cast<uint8_t>(request[kPayloadOffset]);
    const auto kind = static_cast<uint8_t>(request[kPayloadOffset + 1]);
    if (month < 1 || month > kMonthCount || kind >= kEnergyKinds) {
        return {};
    }
    return countsReply(kMonthEndCode, m_state.monthEnds[kind][month - 1]);
}

// A date that is no date has no profile either.
QByteArray VirtualMeter::profileReply(const QByteArray& request) {
    const auto date = decodeBcdDate(QByteArrayView(request).sliced(kPayloadOffset, 3));
    const ProfileDay day = date ? profile(*date) : ProfileDay{ProfileShape::None, {}};
    QByteArray data;
    switch (day.shape) {
        case ProfileShape::Words:
            data = QByteArray(3, '\0');
            for (const uint16_t word : day.words) {
                appendBe16(data, word);
            }
            break;
        case ProfileShape::None:
            data = QByteArray(1, kNoProfile) + '\0';
            break;
        case ProfileShape::Absent105:
            data = QByteArray(1, kNoProfile) + QByteArray(kProfileDataLength - 1, '\0');
            break;
        case ProfileShape::Odd8:
            data = QByteArray(2, '\0');
            break;
    }
    return dataReply(kProfileCode, data);
}

ProfileDay VirtualMeter::profile(QDate date) {
    const MeterTime now = clockNow();
    return profileFor(m_state.profiles, date, now.date, now.time);
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
    return padded(m_state.frozenClock, kClockFrameLength);
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
