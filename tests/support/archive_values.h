#pragma once
// A day's profile values the archive tests store and expect back.

#include <QList>
#include <QTest>
#include <array>
#include <optional>

#include "archive/archive.h"

namespace vilt::test {

using Slots = std::array<double, link::kProfileSlotCount>;

// Slot k holds base + k/4: distinct, exact in binary and in six decimals.
inline Slots slotValues(double base) {
    Slots values{};
    for (int k = 0; k < link::kProfileSlotCount; ++k) values[k] = base + k / 4.0;
    return values;
}

inline std::array<std::optional<double>, link::kProfileSlotCount> stored(const Slots& values) {
    std::array<std::optional<double>, link::kProfileSlotCount> result;
    for (int k = 0; k < link::kProfileSlotCount; ++k) result[k] = values[k];
    return result;
}

// Rows of srez numbered by their day: day n is 2024-01-0n, with the given numbers.
inline void seedProfiles(archive::Archive& archive, const QList<qint64>& numbers) {
    for (int i = 0; i < numbers.size(); ++i)
        QCOMPARE(archive.storeProfile(QDate(2024, 1, i + 1), numbers[i], slotValues(i)).status,
                 archive::StoreStatus::Stored);
}

}  // namespace vilt::test
