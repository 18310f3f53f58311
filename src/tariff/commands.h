#pragma once
// The meter commands of the tariff schedule and the calendar of special days. They move
// bytes: the model packs what is sent and unpacks what came (packZones, unpackZones,
// packCalendar, unpackCalendar).
//
//   read zones      0x06: hdr, code, season 1-12, CRC              reply 24: 18 packed bytes at
//   4-21 write zones     0x07: hdr, code, season, 18 packed bytes, CRC  reply: acknowledgement 0xAA
//   read calendar   0x02: hdr, code, CRC                           reply 54: 24 records at 4-51
//   write calendar  0x03: hdr, code, 24 records, CRC               reply: acknowledgement 0xAA
// The season end dates never travel; they come from the defaults and the tariff file.

#include "link/exchange.h"
#include "link/outcome.h"
#include "tariff/model.h"
#include "tariff/special_days.h"

namespace vilt::tariff {

// The packed zone map of season 1-12 as the meter sent it.
link::Result<PackedZones> requestSeasonZones(link::Exchange& exchange, int season);
// Sends the zone map of `season` (1-12), packed.
link::Check sendSeasonZones(link::Exchange& exchange, int season, const Season& zones);
// The meter's 24 calendar records as it sent them.
link::Result<CalendarWire> requestCalendar(link::Exchange& exchange);
// Sends records 0-23 of the table.
link::Check sendCalendar(link::Exchange& exchange, const SpecDayTable& table);

}  // namespace vilt::tariff
