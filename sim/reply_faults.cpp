#include "sim/reply_faults.h"

#include "sim/command_codes.h"
#include "sim/crc16.h"
#include "sim/request_table.h"

namespace vilt::sim {
namespace {

// Turns any ack into a byte that is neither accept (AA, 55) nor refuse (00).
constexpr char kWrongAckMask = '\x0F';
constexpr int kAckOffset = 4;

// Rewrites a frame body and puts a fresh CRC on it, so only the intended byte is wrong.
void replaceByte(QByteArray& frame, qsizetype offset, char value) {
    frame.chop(2);
    frame[offset] = value;
    appendCrc(frame);
}

// Replies that carry one acknowledgement byte. Reads whose reply happens to be as short
// (dst, calibration) carry data and are not listed.
bool repliesWithAck(uint8_t code) {
    switch (code) {
        case kWriteCalendarCode:
        case kWriteZonesCode:
        case kWriteDstCode:
        case kWriteClockCode:
        case kOut512Code:
        case kWritePlaceCode:
        case kWriteSpeedCode:
        case kLoginCode:
        case kWritePasswordCode:
        case kResetCode:
        case kWriteCalibrationCode:
        case kWriteLimitsCode:
        case kSerialStepOneCode:
        case kSerialStepTwoCode:
            return true;
        default:
            return false;
    }
}

}  // namespace

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

}  // namespace vilt::sim
