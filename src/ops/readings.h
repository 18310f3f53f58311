#pragma once
// The readings that go into the archive: the energy group of a Read (counters and the
// month-end readings) and the day's power profile. They are read here and handed to a
// keeper as soon as they are read; the keeper (station/keeping.h) stores them, so that a
// store that fails ends the read before more is asked. Nothing here knows the archive.

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "link/exchange.h"
#include "link/outcome.h"
#include "ops/energy.h"
#include "ops/profile.h"

namespace vilt::ops {

// What a keeper made of the readings handed to it.
struct Kept {
    bool stored = true;
    QStringList notes;               // to tell beside the readings (a row not created)
    std::optional<QString> failure;  // the store failed: the read ends, with these words
};
using MonthKeeper =
    std::function<Kept(const std::array<std::optional<Counts>, link::kMonthCount>&)>;
using DayKeeper = std::function<Kept(const QDate& day, const ProfileWords& words)>;

struct EnergyRequest {
    bool months = false;  // the month-end readings too
    // The identified meter's model number: above 6 has reactive counters. None before a meter
    // has been identified, which ends the group after the active counters.
    std::optional<int> model;
    MonthKeeper keep;  // the month-end readings read; none: kept nowhere
};

// What the energy group read. Its status is that of the last counter read, and NoLink when
// a month-end reading asked for was not read; a model number that is not a number ends it
// Garbled, a store that failed ends it Failed.
struct EnergyOutcome : link::Outcome {
    std::optional<Counts> active;
    std::optional<Counts> reactive;
    std::array<std::optional<Counts>, link::kMonthCount> months;
    std::optional<QString> monthStatus;  // what the last month-end read put in the status bar
    // The months asked for and not read: the one that failed its attempts and those after
    // it, which were not asked (the line is taken for gone).
    QList<int> unreadMonths;
    bool countersRead = false;  // the last counter read succeeded

    // The counts of the last counter read that succeeded: the reactive over the active.
    std::optional<Counts> shownCounts() const { return reactive ? reactive : active; }
};

EnergyOutcome readEnergy(link::Exchange& exchange, const EnergyRequest& request);

// One day's profile. Status Absent when the meter holds none; the words when it did.
// The words go to the keeper (stored: whether it stored them); what it said goes into the
// messages.
struct ProfileOutcome : link::Outcome {
    ProfileOutcome() : link::Outcome(link::Operation::ReadProfile) {}
    QDate day;
    qint64 factory = 0;
    std::optional<ProfileWords> words;
    bool stored = false;
};

ProfileOutcome readProfile(link::Exchange& exchange, const QDate& day, qint64 factory,
                           const DayKeeper& keep);

// The status text a month-end read leaves.
QString monthStatusText(link::Check check);

// "Не прочитаны месяцы: 5, 6": the months a read left out, by number.
QString unreadMonthsText(const QList<int>& months);

}  // namespace vilt::ops
