#pragma once
// The meter's counts, each defined once: every layer that sizes a table by them takes them
// from here.

namespace vilt::link {

inline constexpr int kTariffCount = 4;        // T1 … T4
inline constexpr int kMonthCount = 12;        // month-end readings, January … December
inline constexpr int kProfileSlotCount = 48;  // half-hour slots of a day's power profile

}  // namespace vilt::link
