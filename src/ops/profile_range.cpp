#include "ops/profile_range.h"

namespace vilt::ops {

using link::Status;

namespace {

// How a day leaves the range: Done and Absent let it go on, anything else ends it.
Status dayEnd(const ProfileOutcome& day, bool kept) {
    if (day.status == Status::Done && day.words && kept && !day.stored) return Status::Failed;
    return day.status;
}

}  // namespace

ProfileOutcome readProfileDay(link::Exchange& exchange, const QDate& day, qint64 factory,
                              const DayKeeper& keep) {
    QList<link::Step> steps;
    ProfileOutcome read;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        read = readProfile(exchange, day, factory, keep);
        steps << read.steps;
        if (read.status != Status::NoLink) break;
    }
    read.steps = steps;
    return read;
}

ProfileRangeOutcome readProfileRange(link::Exchange& exchange, const QDate& from, const QDate& to,
                                     qint64 factory, const DayKeeper& keep,
                                     const ProfileDayReport& onDay) {
    ProfileRangeOutcome range;
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        range.days << readProfileDay(exchange, day, factory, keep);
        if (onDay) onDay(range.days.last());
        const Status end = dayEnd(range.days.last(), bool(keep));
        if (end == Status::Done) range.status = Status::Done;
        if (end != Status::Done && end != Status::Absent) {
            range.status = end;
            break;
        }
    }
    return range;
}

}  // namespace vilt::ops
