#include "link/bcd.h"

namespace vilt::link {

// C++ division truncates toward zero, as the wire format expects.
int32_t bcdToInt(int32_t value) {
    return value % 16 + value / 16 * 10;
}

int32_t intToBcd(int32_t value) {
    return value % 10 + value / 10 * 16;
}

}  // namespace vilt::link
