#include "ops/readings.h"

#include <algorithm>

#include "link/outcome_texts.h"
#include "link/waiter.h"
#include "ops/retry.h"
#include "ops/value_texts.h"

namespace vilt::ops {

using link::Check;
using link::Command;
using link::Status;

namespace {

constexpr int kReactiveModels = 6;  // models above this count reactive energy too

// What the model field holds before a meter has been identified, as the conversion error
// quotes it.
const QString kNoModel = QString(20, QLatin1Char(' '));

// The months read go to the keeper at once, before the counters are asked. False when the
// store failed, which ends the operation.
bool keepMonths(const EnergyRequest& request, EnergyOutcome& outcome) {
    if (!request.keep) return true;
    if (std::none_of(outcome.months.begin(), outcome.months.end(),
                     [](const auto& counts) { return counts.has_value(); }))
        return true;
    const Kept kept = request.keep(outcome.months);
    outcome.messages << kept.notes;
    if (!kept.failure) return true;
    outcome.status = Status::Failed;
    outcome.error = *kept.failure;
    return false;
}

// Each attempt lets the window breathe and waits the reply wait first; a month that fails three
// times ends the month reads: it and the months after it are left out, named as unread.
// False when the store failed, which ends the operation.
bool readMonths(link::Exchange& exchange, const EnergyRequest& request, EnergyOutcome& outcome) {
    for (int month = 1; month <= link::kMonthCount; ++month) {
        link::Result<Counts> reply;
        for (int attempt = 0; attempt < kAttempts && !reply.ok(); ++attempt) {
            exchange.waiter().processPendingMessages();
            exchange.waiter().sleep(exchange.waitMs());
            reply = requestMonthEnd(exchange, month);
            outcome.add(Command::ReadMonth, reply.check);
            outcome.monthStatus = monthStatusText(reply.check);
        }
        if (!reply.ok()) {
            for (int unread = month; unread <= link::kMonthCount; ++unread)
                outcome.unreadMonths << unread;
            break;
        }
        outcome.months[static_cast<size_t>(month - 1)] = reply.value;
    }
    return keepMonths(request, outcome);
}

link::Result<Counts> readCounts(link::Exchange& exchange, EnergyKind kind, EnergyOutcome& outcome) {
    return retried(outcome, Command::ReadEnergy, [&] {
        auto reply = requestEnergy(exchange, kind);
        if (kind == EnergyKind::Active) exchange.waiter().processPendingMessages();
        return reply;
    });
}

}  // namespace

QString monthStatusText(Check check) {
    switch (check) {
        case Check::Ok:
            return link::texts::kDataReceived;
        case Check::Count:
            return link::texts::kWrongCount;
        case Check::Code:
        case Check::Ack:
            return link::texts::kWrongCode;
        case Check::Crc:
            return link::texts::kMonthWrongCrc;
    }
    return {};
}

// The months first, then the active counters, then, on a model that has them, the reactive
// ones; the last counter read decides how the group ended.
EnergyOutcome readEnergy(link::Exchange& exchange, const EnergyRequest& request) {
    EnergyOutcome outcome;
    outcome.operation = link::Operation::ReadEnergy;
    if (request.months && !readMonths(exchange, request, outcome)) return outcome;
    auto last = readCounts(exchange, EnergyKind::Active, outcome);
    if (last.ok()) outcome.active = last.value;
    if (!request.model) {
        outcome.status = Status::Garbled;
        outcome.error = notValidInteger(kNoModel);
        return outcome;
    }
    if (*request.model > kReactiveModels) {
        exchange.waiter().sleep(exchange.waitMs());
        last = readCounts(exchange, EnergyKind::Reactive, outcome);
        if (last.ok()) outcome.reactive = last.value;
    }
    outcome.countersRead = last.ok();
    outcome.status = last.ok() && outcome.unreadMonths.isEmpty() ? Status::Done : Status::NoLink;
    return outcome;
}

QString unreadMonthsText(const QList<int>& months) {
    return link::texts::numbered(QStringLiteral("Не прочитаны месяцы: "), months);
}

ProfileOutcome readProfile(link::Exchange& exchange, const QDate& day, qint64 factory,
                           const DayKeeper& keep) {
    ProfileOutcome outcome;
    outcome.day = day;
    outcome.factory = factory;
    const auto reply = requestProfileDay(exchange, day);
    outcome.add(Command::ReadProfile, reply.check);
    if (!reply.ok()) {
        outcome.status = Status::NoLink;
        return outcome;
    }
    if (reply.value.absent) {
        outcome.status = Status::Absent;
        return outcome;
    }
    outcome.words = reply.value.words;
    if (!keep) return outcome;
    const Kept kept = keep(day, reply.value.words);
    outcome.stored = kept.stored;
    outcome.messages << kept.notes;
    if (kept.failure) outcome.messages << *kept.failure;
    return outcome;
}

}  // namespace vilt::ops
