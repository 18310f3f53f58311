#pragma once
// The meter's load limits: a power limit, an energy limit per tariff and two flag bytes.
//
//   read   0x2B: request hdr, code, CRC           reply 22: limit record at 4-19
//   write  0x2C: request hdr, code, record, CRC   reply: acknowledgement
//
// Limit record (16 bytes):
//   0       control flags
//   1-2     power limit, hundredths of kW, LSB first
//   3-5     energy limit T1, hundredths of kW·h, LSB first
//   6-8, 9-11, 12-14   energy limits T2, T3, T4
//   15      auxiliary flags (bits 4 and 7 unused: ignored when read, sent as 0)

#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "link/counts.h"
#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::limits {

inline constexpr int kRecordBytes = 16;
inline constexpr uint8_t kAuxUsed = 0x6F;
inline constexpr int32_t kLargestPower = 0xFFFF;     // 655,35 kW
inline constexpr int32_t kLargestEnergy = 0xFFFFFF;  // 167772,15 kW·h

inline const QString kNotRead = QStringLiteral("Оганичения не считаны!");

struct Limits {
    int32_t power = 0;                       // hundredths of kW
    std::array<int32_t, link::kTariffCount> energy{};  // hundredths of kW·h
    uint8_t flags = 0;
    uint8_t aux = 0;

    bool operator==(const Limits&) const = default;
};

using LimitRecord = std::array<uint8_t, kRecordBytes>;

Limits decodeLimits(std::span<const uint8_t> record);
LimitRecord encodeLimits(const Limits& limits);

link::Result<Limits> requestLimits(link::Exchange& exchange);
link::Check sendLimits(link::Exchange& exchange, const Limits& limits);

// Reading for the dialog, tried up to three times: on failure all values 0 and the message
// that they were not read.
struct LimitsOutcome : link::Outcome {
    Limits limits;
};
LimitsOutcome readLimits(link::Exchange& exchange);
link::Outcome writeLimits(link::Exchange& exchange, const Limits& limits);

// A value as the user typed it, in the locale's numbers, in hundredths (0,53 → 53). None for
// a text that is not plain digits with at most two decimals ("-1", "1,239", "1e2", "nan",
// "inf"), or one above largest: its wire field could not carry it.
std::optional<int32_t> hundredths(const QString& text, const QLocale& locale, int32_t largest);
// A value in hundredths as the dialog shows it: "0", else the number in general format.
QString shown(int32_t hundredths, const QLocale& locale);

}  // namespace vilt::limits
