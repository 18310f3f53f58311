#include "tariff/commands.h"

#include <algorithm>

namespace vilt::tariff {

using link::Command;

namespace {

template <size_t N>
link::Result<std::array<uint8_t, N>> dataOf(link::Exchange& exchange, link::Check check) {
    if (check != link::Check::Ok) return {check};
    std::array<uint8_t, N> data{};
    const auto reply = exchange.replyData(static_cast<int>(N));
    std::copy(reply.begin(), reply.end(), data.begin());
    return {check, data};
}

}  // namespace

link::Result<PackedZones> requestSeasonZones(link::Exchange& exchange, int season) {
    const std::array<uint8_t, 1> payload{static_cast<uint8_t>(season)};
    return dataOf<kPackedZoneBytes>(exchange, exchange.run(Command::ReadZones, payload));
}

link::Check sendSeasonZones(link::Exchange& exchange, int season, const Season& zones) {
    std::array<uint8_t, 1 + kPackedZoneBytes> payload{static_cast<uint8_t>(season)};
    const PackedZones packed = packZones(zones);
    std::copy(packed.begin(), packed.end(), payload.begin() + 1);
    return exchange.run(Command::WriteZones, payload);
}

link::Result<CalendarWire> requestCalendar(link::Exchange& exchange) {
    return dataOf<kCalendarBytes>(exchange, exchange.run(Command::ReadCalendar));
}

link::Check sendCalendar(link::Exchange& exchange, const SpecDayTable& table) {
    return exchange.run(Command::WriteCalendar, packCalendar(table));
}

}  // namespace vilt::tariff
