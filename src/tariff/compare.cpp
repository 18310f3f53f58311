#include "tariff/compare.h"

#include <algorithm>

namespace vilt::tariff {

namespace {

bool sameDate(const TSpecDayRec& a, const TSpecDayRec& b) {
    return a.Day == b.Day && a.Month == b.Month;
}

QList<ZoneDifference> compareZones(const SeazonTab& file, const SeazonTab& meter) {
    QList<ZoneDifference> differences;
    for (int season = 1; season <= kSeasonCount; ++season) {
        const auto index = static_cast<size_t>(season - 1);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int fileTariff = file[index].Zones[static_cast<size_t>(slot)];
            const int meterTariff = meter[index].Zones[static_cast<size_t>(slot)];
            if (fileTariff != meterTariff)
                differences << ZoneDifference{season, slotDayType(slot), slotHour(slot), fileTariff,
                                              meterTariff};
        }
    }
    return differences;
}

// Records alike on both sides cancel out; a date left on both sides differs in its type;
// the rest is only in the file, or only in the meter.
QList<DayDifference> compareDays(const QList<TSpecDayRec>& file, QList<TSpecDayRec> meter) {
    QList<TSpecDayRec> fileLeft;
    for (const TSpecDayRec& record : file) {
        const qsizetype match = meter.indexOf(record);
        if (match >= 0)
            meter.removeAt(match);
        else
            fileLeft << record;
    }
    QList<DayDifference> differences;
    for (const TSpecDayRec& record : fileLeft) {
        const auto other = std::find_if(meter.begin(), meter.end(),
                                        [&](const TSpecDayRec& m) { return sameDate(m, record); });
        DayDifference difference{record.Day, record.Month, record.TypOfDay, std::nullopt};
        if (other != meter.end()) {
            difference.meter = other->TypOfDay;
            meter.erase(other);
        }
        differences << difference;
    }
    for (const TSpecDayRec& record : meter)
        differences << DayDifference{record.Day, record.Month, std::nullopt, record.TypOfDay};
    return differences;
}

}  // namespace

QList<TSpecDayRec> meterDays(const SpecDays& days) {
    QList<TSpecDayRec> records;
    for (size_t i = 0; i < kCalendarRecords; ++i)
        if (days.SpecDayTab[i].Day != 0) records << days.SpecDayTab[i];
    return records;
}

TariffComparison compareTariffs(const SeazonTab& file, const SpecDays& fileDays,
                                const SeazonTab& meter, const SpecDays& meterRead) {
    TariffComparison comparison;
    comparison.zones = compareZones(file, meter);
    const int listed = specDayListLength(fileDays.SpecDayTab);
    const int held = std::min(listed, kCalendarRecords);
    comparison.notCompared = listed - held;
    QList<TSpecDayRec> fromFile;
    for (size_t i = 0; i < static_cast<size_t>(held); ++i) fromFile << fileDays.SpecDayTab[i];
    const QList<TSpecDayRec> fromMeter = meterDays(meterRead);
    comparison.days = compareDays(fromFile, fromMeter);
    comparison.otherOrder = comparison.days.isEmpty() && fromFile != fromMeter;
    return comparison;
}

}  // namespace vilt::tariff
