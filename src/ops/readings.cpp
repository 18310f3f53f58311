#include "ops/readings.h"

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

template <size_t N>
std::array<double, N> valuesOf(const std::array<int32_t, N>& counts) {
    std::array<double, N> values{};
    for (size_t i = 0; i < N; ++i) values[i] = countValue(counts[i]);
    return values;
}

// The months read, stored in one transaction: a read cut short leaves no row half of this
// read and half of an older one without a word. False when the store failed.
bool storeMonths(const EnergyRequest& request, EnergyOutcome& outcome) {
    if (!request.archive) return true;
    QList<archive::Archive::MonthValues> months;
    for (int month = 1; month <= link::kMonthCount; ++month)
        if (const auto& counts = outcome.months[static_cast<size_t>(month - 1)])
            months.append({month, valuesOf(*counts)});
    if (months.isEmpty()) return true;
    const auto stored = request.archive->storeMonths(request.factory, months);
    if (stored.status == archive::StoreStatus::NotCreated) outcome.messages << archive::kNotCreated;
    if (stored.status != archive::StoreStatus::Failed) return true;
    outcome.status = Status::Failed;
    outcome.error = stored.error;
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
    return storeMonths(request, outcome);
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
                         archive::Archive* archive) {
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
    if (!archive) return outcome;
    std::array<double, link::kProfileSlotCount> values{};
    for (size_t k = 0; k < values.size(); ++k)
        values[k] = countValue(slotHundredths(reply.value.words[k]));
    const auto stored = archive->storeProfile(day, factory, values);
    outcome.stored = stored.status == archive::StoreStatus::Stored;
    if (stored.status == archive::StoreStatus::NotCreated) outcome.messages << archive::kNotCreated;
    if (stored.status == archive::StoreStatus::Failed) outcome.messages << stored.error;
    return outcome;
}

}  // namespace vilt::ops
