#include "sim/request_table.h"

#include <array>
#include <utility>

#include "sim/command_codes.h"
#include "sim/crc16.h"

namespace vilt::sim {
namespace {

constexpr std::array<std::pair<uint8_t, int>, 26> kLengths = {{
    {0x02, 6},  {0x03, 54}, {0x06, 7},  {0x07, 25}, {0x0E, 6},  {0x0F, 7}, {0x10, 6},
    {0x11, 13}, {0x12, 7},  {0x14, 7},  {0x15, 7},  {0x16, 8},  {0x18, 9}, {0x19, 22},
    {0x1C, 6},  {0x1D, 7},  {0x20, 10}, {0x21, 10}, {0x23, 6},  {0x25, 6}, {0x27, 6},
    {0x28, 7},  {0x2B, 6},  {0x2C, 22}, {0x5F, 6},  {0x6F, 10},
}};

}  // namespace

int requestLength(uint8_t code) {
    for (const auto& [known, length] : kLengths) {
        if (known == code) {
            return length;
        }
    }
    return 0;
}

int trailerLength(uint8_t code) {
    return code == kOut512Code ? 1 : 0;
}

bool isLocalIdentityRequest(QByteArrayView frame) {
    return frame.size() >= kLocalIdentityLength && frame[0] == '\0' &&
           static_cast<uint8_t>(frame[1]) == kLocalIdentityCode &&
           crcMatches(frame.first(kLocalIdentityLength));
}

}  // namespace vilt::sim
