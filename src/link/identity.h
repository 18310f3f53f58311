#pragma once
// The identity reply (28 bytes), answer to the local identity and to the identity by
// factory number:
//   0-2    address of the meter (its factory number), LSB first
//   3      echoed code
//   4-5    model number, LSB first
//   6-7    software version number, LSB first
//   8-9    unused
//   10-25  place of installation, Windows-1251, ends early at a zero byte
//   26-27  CRC

#include <QString>
#include <cstdint>
#include <span>

namespace vilt::link {

inline constexpr int kIdentityReplyLength = 28;
inline constexpr int kPlaceBytes = 16;

struct Identity {
    uint32_t address = 0;
    uint16_t model = 0;
    uint16_t version = 0;
    QString place;
};

Identity decodeIdentity(std::span<const uint8_t> reply);

// 30109 → "09.01.3": digits 4-5, 2-3 and 1 of the decimal number, missing ones left out.
QString versionText(uint16_t version);

}  // namespace vilt::link
