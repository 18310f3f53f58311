#pragma once
// What differs between a tariff file and a meter's schedule and calendar, as far as the
// meter holds them: the zone maps of the twelve seasons (the end dates never travel to the
// meter) and the special days of its 24 records against the first 24 of the file's list.

#include <QList>
#include <optional>

#include "tariff/model.h"
#include "tariff/special_days.h"

namespace vilt::tariff {

struct ZoneDifference {
    int season;  // 1-12
    DayType day;
    int hour;  // 0-23
    int file;  // tariff index 0-3
    int meter;
};

// A special day the two sides do not hold alike: only in the meter (no file type), only in
// the file (no meter type), or on both sides with another type.
struct DayDifference {
    int day;
    int month;
    std::optional<int> file;
    std::optional<int> meter;
};

struct TariffComparison {
    QList<ZoneDifference> zones;
    QList<DayDifference> days;
    int notCompared = 0;      // records of the file's list past what the meter holds
    bool otherOrder = false;  // the same special days, listed in another order
    bool equal() const { return zones.isEmpty() && days.isEmpty(); }
};

// The special days of a meter's calendar: its records 0-23 that hold a day, in order. A
// record left empty between two others does not end the list.
QList<SpecialDay> meterDays(const SpecDays& days);

// Special days are matched by date, so the order of the records does not count (it is told
// apart in otherOrder); a date listed twice is matched record by record.
TariffComparison compareTariffs(const Schedule& file, const SpecDays& fileDays,
                                const Schedule& meter, const SpecDays& meterRead);

}  // namespace vilt::tariff
