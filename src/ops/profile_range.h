#pragma once
// The daily power profile over a range of days, each day with the retries of any read.

#include <QDate>
#include <QList>
#include <functional>

#include "link/exchange.h"
#include "link/outcome.h"
#include "ops/readings.h"
#include "ops/retry.h"

namespace vilt::ops {

// One day's profile, tried up to kAttempts times while the reply is refused, so one lost
// reply does not cost the day. The steps hold every exchange of every attempt; the rest is
// the last attempt's.
ProfileOutcome readProfileDay(link::Exchange& exchange, const QDate& day, qint64 factory,
                              const DayKeeper& keep);

// The days read, in order, and how the range ended:
//   Done     every day asked, at least one with a profile
//   Absent   every day asked, none with a profile
//   NoLink   the last day still had no link after its attempts: the line is taken to be gone
//   Failed   the keeper did not store the last day's values: the next would fare no better
// What was read before the day that ended it stays read and stored.
struct ProfileRangeOutcome {
    QList<ProfileOutcome> days;
    link::Status status = link::Status::Absent;
};

// Called with each day as soon as it is read, before the next is asked.
using ProfileDayReport = std::function<void(const ProfileOutcome&)>;

ProfileRangeOutcome readProfileRange(link::Exchange& exchange, const QDate& from, const QDate& to,
                                     qint64 factory, const DayKeeper& keep,
                                     const ProfileDayReport& onDay = {});

}  // namespace vilt::ops
