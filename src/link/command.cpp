#include "link/command.h"

#include <array>
#include <stdexcept>

namespace vilt::link {

namespace {

using C = Command;
constexpr std::optional<uint8_t> kNoAck;
constexpr int kAck = kAckReplyLength;

// clang-format off
const std::array kCommands = {
    //           command             name               payload reply  ack
    CommandInfo{C::ReadCalendar,     "RxdRdKal",        0,      54,    kNoAck},
    CommandInfo{C::WriteCalendar,    "RxdWrKal",        48,     kAck,  kAckAccepted},
    CommandInfo{C::ReadZones,        "RxdRdTarzon",     1,      24,    kNoAck},
    CommandInfo{C::WriteZones,       "RxdWrTarzon",     19,     kAck,  kAckAccepted},
    CommandInfo{C::ReadDst,          "RxdRdRemove",     0,      7,     kNoAck},
    CommandInfo{C::WriteDst,         "RxdWrRemove",     1,      kAck,  kAckAccepted},
    CommandInfo{C::ReadClock,        "RxdRdTime",       0,      13,    kNoAck},
    CommandInfo{C::WriteClock,       "RxdWrTime",       7,      kAck,  kAckAccepted},
    CommandInfo{C::ReadEnergy,       "RxdRdCount",      1,      22,    kNoAck},
    CommandInfo{C::ReadEvent,        "RxdRdEvent",      1,      56,    kNoAck},
    CommandInfo{C::Out512,           "SetWr512",        0,      kAck,  kAckAccepted, 0, 1, 1},
    CommandInfo{C::ReadMonth,        "rxd_rd_month",    2,      22,    kNoAck},
    CommandInfo{C::ReadProfile,      "RxdRd30m",        3,      105,   kNoAck, 8, 2},
    CommandInfo{C::WritePlace,       "RxdWrPlace",      16,     kAck,  kAckAccepted},
    CommandInfo{C::Challenge,        "RxdRdRandom",     0,      10,    kNoAck},
    CommandInfo{C::WriteSpeed,       "WrSkor",          1,      kAck,  kAckAccepted},
    CommandInfo{C::Login,            "RxdWrPsw",        4,      kAck,  kAckAccepted},
    CommandInfo{C::WritePassword,    "Rxd_wr_password", 4,      kAck,  kPasswordAccepted},
    CommandInfo{C::Reset,            "RxdReset",        0,      kAck,  kAckAccepted},
    CommandInfo{C::Identity,         "RxdRdInfo",       0,      28,    kNoAck},
    CommandInfo{C::ReadCalibration,  "RxdRdKalib",      0,      7,     kNoAck},
    CommandInfo{C::WriteCalibration, "RxdWrKalib",      1,      kAck,  kAckAccepted},
    CommandInfo{C::ReadLimits,       "Limit_rd",        0,      22,    kNoAck},
    CommandInfo{C::WriteLimits,      "Limit_wr",        16,     kAck,  kAckAccepted},
    CommandInfo{C::SerialNumber12,   "RxdWrSerNum12",   0,      kAck,  kAckAccepted},
    CommandInfo{C::SerialNumber34,   "RxdWrSerNum34",   4,      kAck,  kAckAccepted},
    CommandInfo{C::LocalIdentity,    "RxdInfo",         0,      28,    kNoAck},
};
// clang-format on

}  // namespace

std::span<const CommandInfo> commandTable() {
    return kCommands;
}

const CommandInfo* findCommand(uint8_t code) {
    for (const CommandInfo& info : kCommands)
        if (link::code(info.command) == code) return &info;
    return nullptr;
}

const CommandInfo& commandInfo(Command command) {
    if (const CommandInfo* info = findCommand(code(command))) return *info;
    throw std::logic_error("command missing from the command table");
}

int requestLength(Command command) {
    if (command == Command::LocalIdentity) return 4;
    const CommandInfo& info = commandInfo(command);
    return 3 + 1 + info.payload + 2 + info.trailer;
}

}  // namespace vilt::link
