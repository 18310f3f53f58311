#pragma once
// Changing the meter's password and the speed of its serial interface.
//
//   password  request: hdr, 0x21, new password (4 bytes, LSB first, unscrambled), CRC
//             reply:   7-byte acknowledgement, accepted with 0x55
//   speed     request: hdr, 0x1D, speed code (0 = 2400, 1 = 4800, 2 = 9600), CRC
//             reply:   7-byte acknowledgement, accepted with 0xAA

#include <QString>
#include <cstdint>
#include <functional>

#include "exchange.h"
#include "panels.h"

namespace vilt::link {

inline constexpr uint8_t kPasswordAccepted = 0x55;

// Both texts must be the same whole number, else the user is told and nothing is sent.
// 0 when the meter took the new password; 1 otherwise (an exchange failure also sets
// the exchange result code).
int Rxd_wr_password(Exchange& exchange, Display& display, const QString& newPassword,
                    const QString& repeated);

// The password-change button: on success the session is ended (closeSession) and the user
// is told to connect again. Returns the outcome of Rxd_wr_password.
int ChangePassword(Exchange& exchange, Display& display, const QString& newPassword,
                   const QString& repeated, const std::function<void()>& closeSession);

// The speed code of the speed list's item index; no selection means 2400.
uint8_t speedCode(int itemIndex);
// The outcome is in the exchange result code, which the caller clears first.
void WrSkor(Exchange& exchange, uint8_t code);

}  // namespace vilt::link
