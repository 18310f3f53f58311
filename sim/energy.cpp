#include "sim/energy.h"

#include <algorithm>

namespace vilt::sim {
namespace {

// A weekday of a household in spring or autumn, hundredths of kW·h per half hour.
constexpr std::array<int, kProfileSlots> kBaseCurve = {{
    28,  24,  22,  21,  20,  20,  20,  21,  22, 24, 30,  45,   // to 06:00
    75,  110, 135, 125, 100, 75,  62,  58,  56, 58, 62,  72,   // to 12:00
    80,  84,  76,  66,  60,  58,  60,  66,  80, 98, 125, 155,  // to 18:00
    180, 200, 205, 200, 190, 172, 150, 126, 98, 72, 50,  36,   // to 24:00
}};

// Per cent of the base curve, January first.
constexpr std::array<int, kMonthCount> kSeason = {
    {125, 120, 110, 100, 90, 85, 85, 88, 95, 105, 115, 125}};

constexpr int kWeekendPercent = 110;
constexpr int kDaySpread = 21;   // a day's own level: 90..110 %
constexpr int kSlotSpread = 13;  // each half hour on its own: 94..106 %
constexpr int kLeast = 20;       // 0.2 kW·h
constexpr int kMost = 300;       // 3 kW·h
constexpr int kMinutesPerSlot = 30;
constexpr int kMsPerMinute = 60'000;
constexpr int kMonthEndShare = 24;  // what a month adds, as a share of the counts now

uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352DU;
    x ^= x >> 15;
    x *= 0x846CA68BU;
    x ^= x >> 16;
    return x;
}

// 100 - spread/2 .. 100 + spread/2, from `seed`.
int spreadPercent(uint32_t seed, int spread) {
    return 100 - spread / 2 + static_cast<int>(mix(seed) % static_cast<uint32_t>(spread));
}

}  // namespace

std::array<TariffCounts, kEnergyKinds> defaultEnergy() {
    return {{{1'234'567, 654'321, 234'500, 98'765}, {345'678, 123'456, 56'789, 12'345}}};
}

std::array<MonthEnds, kEnergyKinds> defaultMonthEnds() {
    const auto now = defaultEnergy();
    std::array<MonthEnds, kEnergyKinds> out{};
    for (int kind = 0; kind < kEnergyKinds; ++kind) {
        for (int month = 0; month < kMonthCount; ++month) {
            for (int tariff = 0; tariff < kTariffCount; ++tariff) {
                const int32_t count = now[kind][tariff];
                out[kind][month][tariff] = count - (kMonthCount - month) * (count / kMonthEndShare);
            }
        }
    }
    return out;
}

ProfileWords defaultProfileWords(QDate date) {
    const auto day = static_cast<uint32_t>(date.toJulianDay());
    const int weekend = date.dayOfWeek() >= Qt::Saturday ? kWeekendPercent : 100;
    const int64_t dayPercent = int64_t{kSeason[date.month() - 1]} * weekend *
                               spreadPercent(day, kDaySpread);  // per million
    ProfileWords words{};
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        const uint32_t seed = day * kProfileSlots + static_cast<uint32_t>(slot);
        const int64_t value = kBaseCurve[slot] * dayPercent *
                              spreadPercent(seed ^ 0xA5A5A5A5U, kSlotSpread) / 100'000'000;
        words[slot] = static_cast<uint16_t>(std::clamp<int64_t>(value, kLeast, kMost));
    }
    return words;
}

ProfileDay profileFor(const QMap<QDate, ProfileDay>& overrides, QDate date, QDate today,
                      QTime time) {
    if (const auto set = overrides.constFind(date); set != overrides.cend()) {
        return *set;
    }
    if (!date.isValid() || date > today || date < today.addDays(-kProfileHistoryDays)) {
        return {ProfileShape::None, {}};
    }
    ProfileDay profile{ProfileShape::Words, defaultProfileWords(date)};
    if (date == today) {
        const int minutes = time.msecsSinceStartOfDay() / kMsPerMinute;
        for (int slot = 0; slot < kProfileSlots; ++slot) {
            if ((slot + 1) * kMinutesPerSlot > minutes) {
                profile.words[slot] = kSliceIncomplete;
            }
        }
    }
    return profile;
}

}  // namespace vilt::sim
