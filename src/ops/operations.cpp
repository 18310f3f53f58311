#include "ops/operations.h"

#include <variant>

#include "link/link_settings.h"
#include "link/waiter.h"
#include "ops/place_reset.h"
#include "ops/retry.h"
#include "ops/value_texts.h"

namespace vilt::ops {

using link::Check;
using link::Command;
using link::Operation;
using link::Outcome;
using link::Status;

namespace {

constexpr int kNotTried = 10;

// Takes one clock reading into the outcome; false when a value is not real,
// which ends the read.
bool takeClock(ClockOutcome& outcome, const ClockReading& reading) {
    if (!reading.time) {
        outcome.status = Status::Garbled;
        outcome.error = notValidTime(reading.timeText);
        return false;
    }
    outcome.time = reading.time;
    if (!reading.date) {
        outcome.status = Status::Garbled;
        outcome.error = notValidDate(reading.dateText);
        return false;
    }
    outcome.date = reading.date;
    if (dayName(reading.weekday)) outcome.weekday = reading.weekday;
    return true;
}

}  // namespace

std::optional<qint64> clockOffset(const ClockOutcome& clock, const QDateTime& now) {
    if (!clock.ok() || !clock.time || !clock.date) return std::nullopt;
    return now.secsTo(QDateTime(*clock.date, *clock.time));
}

// Each attempt reads the clock, handles pending user input, then reads the DST permission,
// even when the clock failed.
ClockOutcome readClock(link::Exchange& exchange) {
    ClockOutcome outcome;
    outcome.operation = Operation::ReadClock;
    int result = kNotTried;
    for (int attempt = 0; attempt < kAttempts && result != 0; ++attempt) {
        const auto clock = requestClock(exchange);
        result = outcome.add(Command::ReadClock, clock.check) == Check::Ok ? 0 : 1;
        if (clock.ok() && !takeClock(outcome, clock.value)) return outcome;
        exchange.waiter().processPendingMessages();
        const auto dst = requestDaylightSaving(exchange);
        if (dst.ok()) outcome.dst = dst.value;
        result += outcome.add(Command::ReadDst, dst.check) == Check::Ok ? 0 : 1;
    }
    outcome.status = result == 0 ? Status::Done : Status::NoLink;
    exchange.waiter().processPendingMessages();
    return outcome;
}

// Journal 0 first: a meter that cannot give it is not asked for the others.
EventsOutcome readEvents(link::Exchange& exchange) {
    EventsOutcome outcome;
    outcome.operation = Operation::ReadEvents;
    auto read = [&](int journal) {
        const auto reply =
            retried(outcome, Command::ReadEvent, [&] { return requestJournal(exchange, journal); });
        if (!reply.ok()) return 1;
        outcome.journals[static_cast<size_t>(journal)] = reply.value;
        return 0;
    };
    if (read(0) != 0) {
        outcome.status = Status::NoLink;
        return outcome;
    }
    int failures = 0;
    for (int journal = 1; journal < kJournalCount; ++journal) failures += read(journal);
    outcome.status = failures == 0 ? Status::Done : Status::NoLink;
    exchange.waiter().processPendingMessages();
    return outcome;
}

DstOutcome readDst(link::Exchange& exchange) {
    DstOutcome outcome;
    outcome.operation = Operation::ReadDst;
    const auto reply = retried(outcome, Command::ReadDst, [&] { return requestDaylightSaving(exchange); });
    outcome.allowed = reply.ok() && reply.value;
    outcome.status = reply.ok() ? Status::Done : Status::NoLink;
    return outcome;
}

const link::Outcome* ReadOutcome::firstFailure() const {
    const auto failed = [](const auto& group) -> const link::Outcome* {
        return group && !group->ok() ? &*group : nullptr;
    };
    for (const link::Outcome* group : {failed(energy), failed(clock), failed(tariffs), failed(events)})
        if (group) return group;
    return nullptr;
}

ReadOutcome readSelected(link::Exchange& exchange, Group selected, const ReadInputs& inputs) {
    exchange.waiter().sleep(kSettleMs);
    ReadOutcome outcome;
    if (selected == Group::Energy) {
        outcome.energy = readEnergy(exchange, inputs.energy);
        exchange.waiter().processPendingMessages();
        if (!outcome.energy->ok()) return outcome;
    }
    if (selected == Group::Time) {
        outcome.clock = readClock(exchange);  // nothing is read after the clock
        return outcome;
    }
    if (selected == Group::Tariff) {
        outcome.tariffs =
            tariff::readTariffs(exchange, inputs.tariffs.schedule, inputs.tariffs.days);
        if (!outcome.tariffs->goesOn) return outcome;
    }
    if (selected == Group::Event) outcome.events = readEvents(exchange);
    return outcome;
}

// The clock, then the DST permission, one attempt each; the second goes even when the
// first failed.
Outcome writeClock(link::Exchange& exchange, const QTime& time, const QDate& date, bool dst,
                   Operation operation) {
    Outcome outcome(operation);
    outcome.add(Command::WriteClock, sendClock(exchange, time, date));
    outcome.add(Command::WriteDst, sendDaylightSaving(exchange, dst));
    return outcome.concluded();
}

Outcome writeDst(link::Exchange& exchange, bool allowed) {
    return Outcome::single(Operation::WriteDst, Command::WriteDst, sendDaylightSaving(exchange, allowed));
}

// A character the meter cannot hold is refused before anything is sent.
Outcome writePlace(link::Exchange& exchange, const QString& text) {
    const auto field = placeField(text);
    if (const auto* reason = std::get_if<QString>(&field))
        return Outcome::refused(Operation::WritePlace, *reason);
    return Outcome::single(Operation::WritePlace, Command::WritePlace,
                           sendPlace(exchange, std::get<PlaceField>(field)));
}

Outcome resetMeter(link::Exchange& exchange) {
    return Outcome::single(Operation::Reset, Command::Reset, sendReset(exchange));
}

Outcome writeSpeed(link::Exchange& exchange, int speedIndex) {
    return Outcome::single(Operation::WriteSpeed, Command::WriteSpeed,
                           link::sendSpeed(exchange, link::speedCode(speedIndex)));
}

std::optional<Outcome> writeSelected(link::Exchange& exchange, Group selected,
                                  const WriteInputs& inputs) {
    exchange.waiter().sleep(kSettleMs);
    switch (selected) {
        case Group::Place:
            return writePlace(exchange, inputs.place);
        case Group::Reset:
            return resetMeter(exchange);
        case Group::Speed:
            return writeSpeed(exchange, inputs.speedIndex);
        case Group::Time:
            return writeClock(exchange, inputs.time, inputs.date, inputs.dst);
        case Group::Tariff:
            return tariff::writeTariffs(exchange, inputs.tariffs.schedule, inputs.tariffs.days);
        case Group::Energy:
        case Group::Event:
            break;  // nothing of theirs is written from here
    }
    return std::nullopt;
}

Outcome syncClock(link::Exchange& exchange, const QDateTime& now, bool dst) {
    return writeClock(exchange, now.time(), now.date(), dst, Operation::SyncClock);
}

}  // namespace vilt::ops
