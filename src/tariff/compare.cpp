#include "tariff/compare.h"

#include <algorithm>

namespace vilt::tariff {

namespace {

bool sameDate(const SpecialDay& a, const SpecialDay& b) {
    return a.day == b.day && a.month == b.month;
}

QList<ZoneDifference> compareZones(const Schedule& file, const Schedule& meter) {
    QList<ZoneDifference> differences;
    for (int season = 1; season <= kSeasonCount; ++season) {
        const auto index = static_cast<size_t>(season - 1);
        for (int slot = 0; slot < kZoneSlotCount; ++slot) {
            const int fileTariff = file[index].zones[static_cast<size_t>(slot)];
            const int meterTariff = meter[index].zones[static_cast<size_t>(slot)];
            if (fileTariff != meterTariff)
                differences << ZoneDifference{season, slotDayType(slot), slotHour(slot), fileTariff,
                                              meterTariff};
        }
    }
    return differences;
}

// Records alike on both sides cancel out; a date left on both sides differs in its type;
// the rest is only in the file, or only in the meter.
QList<DayDifference> compareDays(const QList<SpecialDay>& file, QList<SpecialDay> meter) {
    QList<SpecialDay> fileLeft;
    for (const SpecialDay& record : file) {
        const qsizetype match = meter.indexOf(record);
        if (match >= 0)
            meter.removeAt(match);
        else
            fileLeft << record;
    }
    QList<DayDifference> differences;
    for (const SpecialDay& record : fileLeft) {
        const auto other = std::find_if(meter.begin(), meter.end(),
                                        [&](const SpecialDay& m) { return sameDate(m, record); });
        DayDifference difference{record.day, record.month, record.type, std::nullopt};
        if (other != meter.end()) {
            difference.meter = other->type;
            meter.erase(other);
        }
        differences << difference;
    }
    for (const SpecialDay& record : meter)
        differences << DayDifference{record.day, record.month, std::nullopt, record.type};
    return differences;
}

}  // namespace

QList<SpecialDay> meterDays(const SpecDays& days) {
    QList<SpecialDay> records;
    for (size_t i = 0; i < kCalendarRecords; ++i)
        if (days.records[i].day != 0) records << days.records[i];
    return records;
}

TariffComparison compareTariffs(const Schedule& file, const SpecDays& fileDays,
                                const Schedule& meter, const SpecDays& meterRead) {
    TariffComparison comparison;
    comparison.zones = compareZones(file, meter);
    const int listed = specDayListLength(fileDays.records);
    const int held = std::min(listed, kCalendarRecords);
    comparison.notCompared = listed - held;
    QList<SpecialDay> fromFile;
    for (size_t i = 0; i < static_cast<size_t>(held); ++i) fromFile << fileDays.records[i];
    const QList<SpecialDay> fromMeter = meterDays(meterRead);
    comparison.days = compareDays(fromFile, fromMeter);
    comparison.otherOrder = comparison.days.isEmpty() && fromFile != fromMeter;
    return comparison;
}

}  // namespace vilt::tariff
