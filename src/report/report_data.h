#pragma once
// What a visit report shows: the meter, when and by whom it was read, and each reading that
// came (a reading that did not come is shown as such, with why).

#include <QDateTime>
#include <QString>
#include <optional>

#include "link/identity.h"
#include "ops/operations.h"
#include "ops/readings.h"

namespace vilt::report {

struct ReportData {
    qint64 factory = 0;
    std::optional<link::Identity> identity;
    QDateTime readAt;  // this computer's time when the readings ended
    QString station;   // the computer (or its given name)
    QString engineer;  // the user who read it
    std::optional<ops::ClockOutcome> clock;
    std::optional<qint64> clockOffset;  // the meter's clock minus this computer's, seconds
    std::optional<ops::EnergyOutcome> energy;  // counters and the month-end readings
    std::optional<ops::EventsOutcome> events;
    std::optional<ops::ProfileOutcome> profile;  // the chosen day
};

}  // namespace vilt::report
