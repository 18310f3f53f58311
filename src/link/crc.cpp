#include "link/crc.h"

namespace vilt::link {

int32_t frameCrc(const uint8_t* data, int32_t length) {
    uint32_t r = 0;
    for (int32_t i = 0; i < length; ++i) {
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000u) ? (r << 1) ^ 0x1021u : r << 1;
        r = (r & ~0xFFu) | ((r & 0xFFu) ^ data[i]);
    }
    return static_cast<int32_t>(r & 0xFFFFu);
}

}  // namespace vilt::link
