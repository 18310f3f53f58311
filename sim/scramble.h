#pragma once
// The code a workstation must answer a login challenge with, as the meter checks it.

#include <cstdint>

namespace vilt::sim {

uint32_t passwordCode(int32_t password, uint32_t challenge);

}  // namespace vilt::sim
