#pragma once
// Changing the meter's password and the speed of its serial interface.
//
//   password  request: hdr, 0x21, new password (4 bytes, LSB first, unscrambled), CRC
//             reply:   7-byte acknowledgement, accepted with 0x55
//   speed     request: hdr, 0x1D, speed code (0 = 2400, 1 = 4800, 2 = 9600), CRC
//             reply:   7-byte acknowledgement, accepted with 0xAA

#include <QString>
#include <cstdint>

#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::link {

Check sendPassword(Exchange& exchange, int32_t password);

// The password change: both texts must be the same whole number, else the user is
// told and nothing is sent. On success the caller ends the session: the user connects again
// with the new password.
Outcome ChangePassword(Exchange& exchange, const QString& newPassword, const QString& repeated);

// The speed code of the speed list's item index; no selection means 2400.
uint8_t speedCode(int itemIndex);
Check sendSpeed(Exchange& exchange, uint8_t code);

}  // namespace vilt::link
