#include "sim/crc16.h"

#include <array>

namespace vilt::sim {
namespace {

constexpr uint16_t kPolynomial = 0x1021;

constexpr std::array<uint16_t, 256> makeTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned value = byte << 8;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x8000) ? (value << 1) ^ kPolynomial : value << 1;
        }
        table[byte] = static_cast<uint16_t>(value);
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = makeTable();

}  // namespace

uint16_t crc16(QByteArrayView data) {
    uint16_t crc = 0;
    for (const char ch : data) {
        const auto index = static_cast<uint8_t>((crc >> 8) ^ static_cast<uint8_t>(ch));
        crc = static_cast<uint16_t>((crc << 8) ^ kTable[index]);
    }
    return crc;
}

void appendCrc(QByteArray& frame) {
    const uint16_t crc = crc16(frame);
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));
}

bool crcMatches(QByteArrayView frame) {
    // Running the CRC over the data and its own CRC leaves zero.
    return frame.size() >= 2 && crc16(frame) == 0;
}

}  // namespace vilt::sim
