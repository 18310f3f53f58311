#pragma once
// Command codes and acknowledgement bytes the meter answers with.

#include <cstdint>

namespace vilt::sim {

inline constexpr uint8_t kReadCalendarCode = 0x02;
inline constexpr uint8_t kWriteCalendarCode = 0x03;
inline constexpr uint8_t kReadZonesCode = 0x06;
inline constexpr uint8_t kWriteZonesCode = 0x07;
inline constexpr uint8_t kReadDstCode = 0x0E;
inline constexpr uint8_t kWriteDstCode = 0x0F;
inline constexpr uint8_t kReadClockCode = 0x10;
inline constexpr uint8_t kWriteClockCode = 0x11;
inline constexpr uint8_t kEnergyCode = 0x12;
inline constexpr uint8_t kJournalCode = 0x14;
inline constexpr uint8_t kOut512Code = 0x15;  // the 512 Hz test output on
inline constexpr uint8_t kMonthEndCode = 0x16;
inline constexpr uint8_t kProfileCode = 0x18;
inline constexpr uint8_t kWritePlaceCode = 0x19;
inline constexpr uint8_t kChallengeCode = 0x1C;
inline constexpr uint8_t kWriteSpeedCode = 0x1D;
inline constexpr uint8_t kLoginCode = 0x20;
inline constexpr uint8_t kWritePasswordCode = 0x21;
inline constexpr uint8_t kResetCode = 0x23;
inline constexpr uint8_t kIdentityCode = 0x25;
inline constexpr uint8_t kReadCalibrationCode = 0x27;
inline constexpr uint8_t kWriteCalibrationCode = 0x28;
inline constexpr uint8_t kReadLimitsCode = 0x2B;
inline constexpr uint8_t kWriteLimitsCode = 0x2C;
inline constexpr uint8_t kSerialStepOneCode = 0x5F;
inline constexpr uint8_t kSerialStepTwoCode = 0x6F;

inline constexpr char kAccept = '\xAA';
inline constexpr char kPasswordAccept = '\x55';  // the password write has its own accept byte
inline constexpr char kRefuse = '\x00';

}  // namespace vilt::sim
