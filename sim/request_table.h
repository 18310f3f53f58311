#pragma once
// Request frame lengths by command code: the one place the meter side knows them.

#include <QByteArrayView>
#include <cstdint>

namespace vilt::sim {

inline constexpr uint8_t kLocalIdentityCode = 0x7F;
inline constexpr int kLocalIdentityLength = 4;  // 00 7F CRC, no address header
inline constexpr int kHeaderLength = 3;         // factory number, least significant byte first
inline constexpr int kCodeOffset = 3;

// Whole request length (header and CRC included), or 0 for a code a workstation never sends.
// The local identity request has no code byte and is told apart by isLocalIdentityRequest().
int requestLength(uint8_t code);

// Bytes a request of `code` carries after its CRC, which the CRC does not cover: the
// 512 Hz output request ends in one zero byte; all others end in their CRC.
int trailerLength(uint8_t code);

// The 4-byte local identity request: 00 7F and a CRC that checks.
bool isLocalIdentityRequest(QByteArrayView frame);

}  // namespace vilt::sim
