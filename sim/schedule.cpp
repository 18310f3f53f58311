// The meter's side of the tariff schedule and the calendar: stored as sent, sent back as
// stored.

#include <algorithm>

#include "sim/command_codes.h"
#include "sim/virtual_meter.h"

namespace vilt::sim {
namespace {

constexpr int kPayloadOffset = 4;

// The season a request names, or none for a number outside 1-12.
std::optional<int> seasonOf(const QByteArray& request) {
    const int season = static_cast<uint8_t>(request[kPayloadOffset]);
    return season >= 1 && season <= kSeasons ? std::optional<int>(season) : std::nullopt;
}

template <size_t N>
QByteArray bytesOf(const std::array<uint8_t, N>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(N));
}

template <size_t N>
void copyFrom(const QByteArray& request, int offset, std::array<uint8_t, N>& into) {
    const auto* from = reinterpret_cast<const uint8_t*>(request.constData()) + offset;
    std::copy(from, from + N, into.begin());
}

}  // namespace

QByteArray VirtualMeter::handleSchedule(uint8_t code, const QByteArray& request) {
    switch (code) {
        case kReadZonesCode:
            return zonesReply(request);
        case kWriteZonesCode:
            return writeZones(request);
        case kReadCalendarCode:
            return dataReply(code, bytesOf(m_state.calendar));
        case kWriteCalendarCode:
            return writeCalendar(request);
        default:
            return {};
    }
}

// A season the meter does not have gets no answer, like a month it does not have.
QByteArray VirtualMeter::zonesReply(const QByteArray& request) const {
    const auto season = seasonOf(request);
    if (!season) {
        return {};
    }
    return dataReply(kReadZonesCode, bytesOf(m_state.zones[*season - 1]));
}

QByteArray VirtualMeter::writeZones(const QByteArray& request) {
    const auto season = seasonOf(request);
    if (!season) {
        return ackReply(kWriteZonesCode, kRefuse);
    }
    copyFrom(request, kPayloadOffset + 1, m_state.zones[*season - 1]);
    return ackReply(kWriteZonesCode, kAccept);
}

// Kept as sent, whatever the records hold: the meter does not judge dates.
QByteArray VirtualMeter::writeCalendar(const QByteArray& request) {
    copyFrom(request, kPayloadOffset, m_state.calendar);
    return ackReply(kWriteCalendarCode, kAccept);
}

}  // namespace vilt::sim
