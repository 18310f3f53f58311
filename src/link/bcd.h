#pragma once
// Packed decimal: high nibble tens, low nibble units. Nothing is validated: 0x1A reads as
// 20 and 123 packs as 0xC3, as the meter's own firmware does it.

#include <cstdint>

namespace vilt::link {

int32_t bcdToInt(int32_t value);
int32_t intToBcd(int32_t value);

}  // namespace vilt::link
