#pragma once

#include <cstdint>

namespace vilt::link {

// CRC-16, polynomial 0x1021, initial 0, each byte folded in after the shifts. Over a frame
// whose two last bytes are 0 this is CRC-16/XMODEM of the rest; over a whole frame that
// carries its CRC high byte first it gives 0. Only the low 16 bits carry meaning.
int32_t frameCrc(const uint8_t* data, int32_t length);

}  // namespace vilt::link
