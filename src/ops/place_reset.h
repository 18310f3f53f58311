#pragma once
// Writing the place of installation, and resetting the meter.
//
//   write place  0x19: request hdr, code, 16 place bytes, CRC   reply: acknowledgement
//   reset        0x23: request hdr, code, CRC                   reply: acknowledgement
// The place travels in Windows-1251, one byte a character, zero-padded; a text of
// exactly 16 characters fills the field with no terminating zero.

#include <QString>
#include <array>
#include <variant>

#include "link/exchange.h"

namespace vilt::ops {

inline constexpr int kPlaceFieldBytes = 16;
using PlaceField = std::array<uint8_t, kPlaceFieldBytes>;

// The field for a text, or the reason it cannot go to the meter.
std::variant<PlaceField, QString> placeField(const QString& text);

link::Check sendPlace(link::Exchange& exchange, const PlaceField& field);
link::Check sendReset(link::Exchange& exchange);

}  // namespace vilt::ops
