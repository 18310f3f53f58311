#pragma once
// The manufacturer's service commands: the 512 Hz test output, the calibration byte and the
// meter's serial number.
//
//   512 Hz      0x15: hdr, code, CRC, then one zero byte      reply: acknowledgement
//   read cal.   0x27: hdr, code, CRC                          reply 7: calibration byte at 4
//   write cal.  0x28: hdr, code, byte, CRC                    reply: acknowledgement
//   serial 1/2  0x5F: hdr, code, CRC                          reply: acknowledgement
//   serial 2/2  0x6F: hdr, code, number (4, LSB first), CRC   reply: acknowledgement
//
// Calibration byte: bit 5 the sign (1 = minus), bits 0-4 the value 0-31.

#include <QString>
#include <cstdint>
#include <optional>

#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::service {

inline const QString kBadInput = QStringLiteral("Ошибка ввода!!!");
// The meter's number is at most eight digits; a negative or longer one is refused, not cut.
inline constexpr int32_t kLargestSerialNumber = 99999999;

struct Calibration {
    bool minus = false;
    int value = 0;  // 0-31, or more for a byte above 63 as the meter gave it

    bool operator==(const Calibration&) const = default;
};

Calibration decodeCalibration(uint8_t byte);
// The byte for a value the user typed: a whole number 0-31, with its sign. None otherwise.
std::optional<uint8_t> calibrationByte(const QString& text, bool minus);

link::Check sendOutput512(link::Exchange& exchange);
link::Result<uint8_t> requestCalibration(link::Exchange& exchange);
link::Check sendCalibration(link::Exchange& exchange, uint8_t byte);
link::Check sendSerialNumberStart(link::Exchange& exchange);
link::Check sendSerialNumber(link::Exchange& exchange, int32_t number);

struct CalibrationOutcome : link::Outcome {
    Calibration calibration;
};

link::Outcome switch512(link::Exchange& exchange);
// Tried up to three times, as every read.
CalibrationOutcome readCalibration(link::Exchange& exchange);
link::Outcome writeCalibration(link::Exchange& exchange, const QString& text, bool minus);
// Both steps, always in this order; a text that is not a number 0 … kLargestSerialNumber
// sends nothing.
link::Outcome writeSerialNumber(link::Exchange& exchange, const QString& text);

}  // namespace vilt::service
