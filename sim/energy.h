#pragma once
// What the meter has counted: energy per tariff, the month-end readings and the daily
// power profile, with the numbers a fresh meter shows so a demo has something to read.

#include <QDate>
#include <QMap>
#include <QTime>
#include <array>
#include <cstdint>

namespace vilt::sim {

inline constexpr int kTariffCount = 4;
inline constexpr int kMonthCount = 12;
inline constexpr int kEnergyKinds = 2;                // active, reactive
inline constexpr int kProfileSlots = 48;              // half hours of a day
inline constexpr int kProfileHistoryDays = 62;        // days before today the meter still holds
inline constexpr uint16_t kSliceIncomplete = 0x8000;  // flag bit of a profile word

enum class EnergyKind { Active = 0, Reactive = 1 };

// T1..T4 in hundredths of kW·h (active) or kvar·h (reactive).
using TariffCounts = std::array<int32_t, kTariffCount>;
// Month-end readings, January first.
using MonthEnds = std::array<TariffCounts, kMonthCount>;
// Half-hour words as the meter sends them: bit 15 "slice not complete", bits 0-14 the
// energy in hundredths of kW·h; word k covers the half hour ending (k + 1) * 30 min after
// midnight.
using ProfileWords = std::array<uint16_t, kProfileSlots>;

// How the meter answers the profile request for one day.
enum class ProfileShape {
    Words,      // 105 bytes: 00 00 00 and the 48 words
    None,       // 8 bytes, FF 00: no profile for that day
    Absent105,  // 105 bytes, FF and zeros otherwise
    Odd8,       // 8 bytes, 00 00: short, yet without the no-profile mark
};

struct ProfileDay {
    ProfileShape shape = ProfileShape::Words;
    ProfileWords words{};  // for Words only

    bool operator==(const ProfileDay&) const = default;
};

// Counts now: active T1 12345.67 kW·h, 6543.21, 2345.00, 987.65; reactive T1 3456.78
// kvar·h, 1234.56, 567.89, 123.45.
std::array<TariffCounts, kEnergyKinds> defaultEnergy();

// Each month ends one twenty-fourth of today's count lower than the next; December is the
// highest and still below the counts now.
std::array<MonthEnds, kEnergyKinds> defaultMonthEnds();

// The household load curve a fresh meter holds for `date`: low at night, peaks in the
// morning and the evening, more in winter and at weekends, about 0.2-3 kW·h a half hour.
// The same date always gives the same words; none is flagged.
ProfileWords defaultProfileWords(QDate date);

// The profile the meter answers for `date` when its clock reads `today` `time`: the one set
// for that date if any; else the default curve for the days from kProfileHistoryDays before
// today up to today; else none. Today's half hours that have not ended yet carry the
// incomplete flag and no energy.
ProfileDay profileFor(const QMap<QDate, ProfileDay>& overrides, QDate date, QDate today,
                      QTime time);

}  // namespace vilt::sim
