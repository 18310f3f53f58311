#pragma once
// The Read and Write operations of the exchange group, with their retries and waits, and
// the clock synchronisation. Each returns what it did and what it read, for the window or
// the command line to show.

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <array>
#include <optional>

#include "link/exchange.h"
#include "link/outcome.h"
#include "ops/clock.h"
#include "ops/events.h"
#include "ops/readings.h"
#include "ops/retry.h"
#include "tariff/sequences.h"
#include "tariff/tariff_file.h"

namespace vilt::ops {

// The operation groups, in the order the user is offered them.
enum class Group { Time, Energy, Tariff, Event, Place, Reset, Speed };

inline constexpr int kSettleMs = 100;

// The clock group of a Read: the meter's time, date, day and DST permission as read.
// A time that is not real ends the read with nothing set; a date that is not real ends it
// after the time has been set.
struct ClockOutcome : link::Outcome {
    std::optional<QTime> time;
    std::optional<QDate> date;
    std::optional<int> weekday;  // 1-7; another number leaves the day name as it was
    bool dst = false;            // forbidden until a DST read says otherwise
};

// The journals that were read; the others keep what they held.
struct EventsOutcome : link::Outcome {
    std::array<std::optional<Journal>, kJournalCount> journals;
};

struct DstOutcome : link::Outcome {
    bool allowed = false;
};

struct ReadOutcome {
    std::optional<EnergyOutcome> energy;
    std::optional<ClockOutcome> clock;
    std::optional<tariff::TariffReadOutcome> tariffs;
    std::optional<EventsOutcome> events;

    // The first group, in the order they are read, that did not succeed; none when every
    // group read succeeded.
    const link::Outcome* firstFailure() const;
};

ClockOutcome readClock(link::Exchange& exchange);
// The meter's clock minus `now`, in seconds; none when the read did not give a whole time
// and date.
std::optional<qint64> clockOffset(const ClockOutcome& clock, const QDateTime& now);
EventsOutcome readEvents(link::Exchange& exchange);
// The DST permission alone, with the attempts of a read.
DstOutcome readDst(link::Exchange& exchange);
// What a Read needs beside the selected group: what the energy group asks, and the
// schedule and special days that seasons which fail to read keep.
struct ReadInputs {
    EnergyRequest energy;
    tariff::TariffFile tariffs{tariff::defaultSchedule(), {}};
};

// The Read operation: the groups selected or batched, in their order. An energy group that
// fails ends it; so does the clock group, and the tariff group unless only zone maps failed.
ReadOutcome readSelected(link::Exchange& exchange, Group selected, const ReadInputs& inputs = {});

// What the Write operation sends, as the user gave it.
struct WriteInputs {
    QTime time;
    QDate date;
    bool dst = true;
    QString place;
    int speedIndex = 0;  // -1: nothing selected
    tariff::TariffFile tariffs{tariff::defaultSchedule(), {}};
};

link::Outcome writeClock(link::Exchange& exchange, const QTime& time, const QDate& date, bool dst,
                         link::Operation operation = link::Operation::WriteClock);
link::Outcome writeDst(link::Exchange& exchange, bool allowed);
link::Outcome writePlace(link::Exchange& exchange, const QString& text);
link::Outcome resetMeter(link::Exchange& exchange);
link::Outcome writeSpeed(link::Exchange& exchange, int speedIndex);
// The Write operation; none for a group with nothing to write.
std::optional<link::Outcome> writeSelected(link::Exchange& exchange, Group selected,
                                        const WriteInputs& inputs);
// Synchronisation: the meter's clock set to now, with the DST permission given.
link::Outcome syncClock(link::Exchange& exchange, const QDateTime& now, bool dst);

}  // namespace vilt::ops
