#pragma once
// Energy counters and month-end readings.
//
//   counters   0x12: request hdr, code, kind (0 active, 1 reactive), CRC
//              reply 22: counts T1 at 4-7, T2 at 8-11, T3 at 12-15, T4 at 16-19
//   month end  0x16: request hdr, code, month 1-12, kind 0, CRC      reply 22: as above
// A count is a signed 32-bit number, low byte first, in hundredths of kW·h (kvar·h).

#include <array>
#include <cstdint>

#include "link/counts.h"
#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::ops {


using Counts = std::array<int32_t, link::kTariffCount>;  // T1 … T4

enum class EnergyKind : uint8_t { Active = 0, Reactive = 1 };

link::Result<Counts> requestEnergy(link::Exchange& exchange, EnergyKind kind);
inline link::Result<Counts> requestActiveEnergy(link::Exchange& exchange) {
    return requestEnergy(exchange, EnergyKind::Active);
}
inline link::Result<Counts> requestReactiveEnergy(link::Exchange& exchange) {
    return requestEnergy(exchange, EnergyKind::Reactive);
}
// The active readings at the end of month 1-12.
link::Result<Counts> requestMonthEnd(link::Exchange& exchange, int month);

// The exact sum of the four counts.
int64_t countTotal(const Counts& counts);
// A count as stored and sent on: the value in kW·h.
double countValue(int64_t count);

}  // namespace vilt::ops
