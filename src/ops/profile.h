#pragma once
// The daily power profile: 48 half-hour slices of active energy.
//
//   0x18: request hdr, code, day, month, year in the century (BCD), CRC
//   reply 105: bytes 4-6 (byte 4 = 0xFF: no profile), 48 words at 7-102, high byte first
//   reply 8:   byte 4 = 0xFF: no profile for the day
// A word's bit 15 marks a slice that was not fully recorded; bits 0-14 are its energy in
// hundredths of kW·h.

#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>

#include "link/counts.h"
#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::ops {


using ProfileWords = std::array<uint16_t, link::kProfileSlotCount>;

// A reply that carries no values (byte 4 = 0xFF, or the short reply) is absent.
struct ProfileReply {
    bool absent = true;
    ProfileWords words{};
};

link::Result<ProfileReply> requestProfileDay(link::Exchange& exchange, const QDate& day);

// The slice's energy in hundredths of kW·h; the flag bit never counts.
inline int slotHundredths(uint16_t word) {
    return word & 0x7FFF;
}
inline bool slotComplete(uint16_t word) {
    return (word & 0x8000) == 0;
}
// How a slice's flag is told: "Ок", or "Срез не целый" (the meter was off part of it).
inline QString slotStatusText(bool complete) {
    return complete ? QStringLiteral("Ок") : QStringLiteral("Срез не целый");
}

// Slot k is the half hour that ends (k + 1) × 30 minutes after midnight of `day`; the
// last one ends at 0:00 of the next day.
struct SlotLabel {
    QDate date;
    QTime end;
};
SlotLabel slotLabel(const QDate& day, int k);

}  // namespace vilt::ops
