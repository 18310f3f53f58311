#include "sim/scramble.h"

namespace vilt::sim {
namespace {

constexpr uint32_t kPasswordOffset = 0x62E6;
constexpr uint64_t kLow32 = 0xFFFFFFFFu;

unsigned roundCount(uint32_t value) {
    const unsigned sum =
        (value & 0xFF) + ((value >> 8) & 0xFF) + ((value >> 16) & 0xFF) + (value >> 24);
    return sum % 16 + 1;
}

}  // namespace

uint32_t passwordCode(int32_t password, uint32_t challenge) {
    // The password walks left through a 33-bit register: bit 32 is the carry that
    // re-enters at bit 0 one step later. Each step's low 32 bits are folded into the code.
    uint64_t reg = (static_cast<uint32_t>(password) + kPasswordOffset) & kLow32;
    uint32_t code = challenge;
    for (unsigned round = roundCount(static_cast<uint32_t>(reg)); round > 0; --round) {
        const uint64_t carryIn = reg >> 32;
        reg = ((reg & kLow32) << 1) | carryIn;
        code ^= static_cast<uint32_t>(reg & kLow32);
    }
    return code;
}

}  // namespace vilt::sim
