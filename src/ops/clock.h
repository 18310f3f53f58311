#pragma once
// The meter clock and its permission to change between winter and summer time.
//
// Clock frame (7 bytes):  0 seconds  1 minutes  2 hours    (BCD)
//                         3 day of the week, 1 = Monday … 7 = Sunday (plain)
//                         4 day      5 month    6 year in the century (BCD, 2000-2099)
//   read clock   0x10: request hdr, code, CRC          reply 13: frame at bytes 4-10
//   write clock  0x11: request hdr, code, frame, CRC   reply: acknowledgement
//   read DST     0x0E: request hdr, code, CRC          reply 7: permission byte at 4
//   write DST    0x0F: request hdr, code, byte, CRC    reply: acknowledgement

#include <QDate>
#include <QString>
#include <QTime>
#include <array>
#include <optional>
#include <span>

#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::ops {

inline constexpr uint8_t kDstAllowed = 0x77;
inline constexpr uint8_t kDstForbidden = 0x00;

using ClockFrame = std::array<uint8_t, 7>;

// A clock frame as read: the texts formed digit by digit, and the values where they are
// a real time and date.
struct ClockReading {
    QString timeText;
    QString dateText;
    std::optional<QTime> time;
    std::optional<QDate> date;
    int weekday = 0;  // as the meter counts it
};

ClockReading decodeClock(std::span<const uint8_t> frame);
ClockFrame encodeClock(const QTime& time, const QDate& date);
// "Понедельник" … "Воскресенье" for 1 … 7; nothing for any other number.
std::optional<QString> dayName(int weekday);

link::Result<ClockReading> requestClock(link::Exchange& exchange);
link::Check sendClock(link::Exchange& exchange, const QTime& time, const QDate& date);
// The permission: only 0x77 allows.
link::Result<bool> requestDaylightSaving(link::Exchange& exchange);
link::Check sendDaylightSaving(link::Exchange& exchange, bool allowed);

}  // namespace vilt::ops
