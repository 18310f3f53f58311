#pragma once
// CRC-16 as the meter computes it: polynomial 0x1021, initial 0, no reflection.
// Table-driven on purpose, so it shares no code path with the workstation's bitwise one.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace vilt::sim {

uint16_t crc16(QByteArrayView data);

// Appends the CRC of `frame`, high byte first.
void appendCrc(QByteArray& frame);

// True when `frame` ends in the CRC of the bytes before it.
bool crcMatches(QByteArrayView frame);

}  // namespace vilt::sim
