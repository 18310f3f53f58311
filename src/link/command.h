#pragma once
// Every command the workstation sends, with the shape of its request and reply. The
// exchange builds and checks frames from this table alone.
//
// Lengths below are whole frames: address header (3), code (1), payload, CRC (2); the local
// identity request has a single zero byte in place of the header.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace vilt::link {

enum class Command : uint8_t {
    ReadCalendar = 0x02,      // requestCalendar       reply 54: 24 special days (2 bytes each)
    WriteCalendar = 0x03,     // sendCalendar       request payload 48: the special days
    ReadZones = 0x06,         // requestSeasonZones    payload: season; reply 24: 18 packed zone bytes
    WriteZones = 0x07,        // sendSeasonZones    payload: season, 18 packed zone bytes
    ReadDst = 0x0E,           // requestDaylightSaving    reply 7: DST permission byte at 4
    WriteDst = 0x0F,          // sendDaylightSaving    payload: DST permission byte
    ReadClock = 0x10,         // requestClock      reply 13: clock frame at 4-10
    WriteClock = 0x11,        // sendClock      payload: clock frame (7)
    ReadEnergy = 0x12,        // requestActiveEnergy/R  payload: kind; reply 22: 4 counts at 4-19
    ReadEvent = 0x14,         // requestJournal     payload: journal; reply 56: 10 records at 4-53
    Out512 = 0x15,            // sendOutput512       one zero byte after the CRC
    ReadMonth = 0x16,         // requestMonthEnd   payload: month, kind; reply 22
    ReadProfile = 0x18,       // requestProfileDay       payload: day, month, year; reply 105, or 8 (none)
    WritePlace = 0x19,        // sendPlace     payload: place field (16)
    Challenge = 0x1C,         // requestChallenge    reply 10: challenge at 4-7, LSB first
    WriteSpeed = 0x1D,        // sendSpeed         payload: speed code
    Login = 0x20,             // sendLogin       payload: password code (4), LSB first
    WritePassword = 0x21,     // Rxd_wr_password payload: new password (4); accepted with 0x55
    Reset = 0x23,             // sendReset
    Identity = 0x25,          // requestIdentity      reply 28: identity reply
    ReadCalibration = 0x27,   // requestCalibration     reply 7: calibration byte at 4
    WriteCalibration = 0x28,  // sendCalibration     payload: calibration byte
    ReadLimits = 0x2B,        // requestLimits       reply 22: limit record at 4-19
    WriteLimits = 0x2C,       // sendLimits       payload: limit record (16)
    SerialNumber12 = 0x5F,    // sendSerialNumberStart
    SerialNumber34 = 0x6F,    // sendSerialNumber  payload: 4 bytes
    LocalIdentity = 0x7F,     // requestLocalIdentity        request 00 7F CRC; reply 28: identity reply
};

inline constexpr uint8_t kAckAccepted = 0xAA;
inline constexpr uint8_t kPasswordAccepted = 0x55;
inline constexpr int kAckReplyLength = 7;

struct CommandInfo {
    Command command;
    const char* name;            // the command's name in the behaviour
    int payload;                 // request bytes between the code and the CRC
    int replyLength;             // the whole reply
    std::optional<uint8_t> ack;  // the acknowledgement byte 4 of the reply must be
    int shortReply = 0;          // another complete reply length, when the meter may send one
    int waitFactor = 1;          // multiples of the reply wait waited before the reply is read
    int trailer = 0;             // zero bytes sent after the CRC
};

// The whole table, in code order.
std::span<const CommandInfo> commandTable();
// The table row of a command; every Command has one.
const CommandInfo& commandInfo(Command command);
// The row of a code byte, or none for a code no workstation sends.
const CommandInfo* findCommand(uint8_t code);
// Whole request length, header, CRC and trailer included.
int requestLength(Command command);

inline uint8_t code(Command command) {
    return static_cast<uint8_t>(command);
}

}  // namespace vilt::link
