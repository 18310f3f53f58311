#include "station/keeping.h"

#include "ops/energy.h"
#include "ops/profile.h"

namespace vilt::station {

namespace {

ops::Kept keptAs(const archive::StoreResult& stored) {
    ops::Kept kept;
    kept.stored = stored.status == archive::StoreStatus::Stored;
    if (stored.status == archive::StoreStatus::NotCreated) kept.notes << archive::kNotCreated;
    if (stored.status == archive::StoreStatus::Failed) kept.failure = stored.error;
    return kept;
}

}  // namespace

ops::MonthKeeper monthKeeper(archive::Archive* archive, qint64 factory) {
    if (!archive) return {};
    return
        [archive, factory](const std::array<std::optional<ops::Counts>, link::kMonthCount>& read) {
            QList<archive::Archive::MonthValues> months;
            for (int month = 1; month <= link::kMonthCount; ++month) {
                const auto& counts = read[static_cast<size_t>(month - 1)];
                if (!counts) continue;
                std::array<double, link::kTariffCount> values{};
                for (size_t t = 0; t < values.size(); ++t)
                    values[t] = ops::countValue((*counts)[t]);
                months.append({month, values});
            }
            return keptAs(archive->storeMonths(factory, months));
        };
}

ops::DayKeeper dayKeeper(archive::Archive* archive, qint64 factory) {
    if (!archive) return {};
    return [archive, factory](const QDate& day, const ops::ProfileWords& words) {
        std::array<double, link::kProfileSlotCount> values{};
        for (size_t k = 0; k < values.size(); ++k)
            values[k] = ops::countValue(ops::slotHundredths(words[k]));
        return keptAs(archive->storeProfile(day, factory, values));
    };
}

}  // namespace vilt::station
