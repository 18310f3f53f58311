#include "tariff/sequences.h"

#include "link/outcome_texts.h"
#include "link/waiter.h"
#include "tariff/commands.h"

namespace vilt::tariff {

using link::Check;
using link::Command;
using link::Status;

namespace {

// Up to three calendar reads, the first success ending them.
link::Result<CalendarWire> readCalendar(link::Exchange& exchange, link::Outcome& outcome) {
    link::Result<CalendarWire> reply;
    for (int attempt = 0; attempt < kReadAttempts && !reply.ok(); ++attempt)
        outcome.add(Command::ReadCalendar, (reply = requestCalendar(exchange)).check);
    return reply;
}

// Up to three reads of one season, each followed by the pause, a good one too.
link::Result<PackedZones> readSeason(link::Exchange& exchange, int season, link::Outcome& outcome) {
    link::Result<PackedZones> reply;
    for (int attempt = 0; attempt < kReadAttempts && !reply.ok(); ++attempt) {
        outcome.add(Command::ReadZones, (reply = requestSeasonZones(exchange, season)).check);
        exchange.waiter().sleep(kReadPauseMs);
    }
    return reply;
}

}  // namespace

TariffReadOutcome readTariffs(link::Exchange& exchange, const Schedule& current,
                              const SpecDays& currentDays) {
    TariffReadOutcome outcome;
    outcome.schedule = current;
    outcome.days = currentDays;
    const auto calendar = readCalendar(exchange, outcome);
    if (!calendar.ok()) {
        outcome.status = Status::NoLink;
        return outcome;
    }
    const auto records = unpackCalendar(calendar.value);
    if (const auto* error = std::get_if<QString>(&records)) {
        outcome.status = Status::Garbled;
        outcome.error = *error;
        return outcome;
    }
    takeCalendar(std::get<CalendarRecords>(records), outcome.days);
    outcome.calendarRead = true;
    exchange.waiter().sleep(kReadPauseMs);

    bool failed = false;
    for (int season = 1; season <= kSeasonCount && !failed; ++season) {
        const auto zones = readSeason(exchange, season, outcome);
        const auto index = static_cast<size_t>(season - 1);
        outcome.seasonsRead[index] = zones.ok();
        if (zones.ok())
            unpackZones(zones.value, outcome.schedule[index]);
        else
            failed = true;
    }
    outcome.status = failed ? Status::NoLink : Status::Done;
    outcome.goesOn = failed;
    exchange.waiter().processPendingMessages();
    return outcome;
}

QString unreadSeasonsText(const TariffReadOutcome& outcome) {
    QList<int> seasons;
    for (int n = 1; n <= kSeasonCount; ++n)
        if (!outcome.seasonsRead[static_cast<size_t>(n - 1)]) seasons << n;
    return link::texts::numbered(QStringLiteral("Не прочитаны сезоны: "), seasons);
}

link::Outcome writeTariffs(link::Exchange& exchange, const Schedule& schedule,
                           const SpecDays& days) {
    link::Outcome outcome(link::Operation::WriteTariffs);
    if (outcome.add(Command::WriteCalendar, sendCalendar(exchange, days.records)) != Check::Ok)
        return outcome.concluded();
    for (int season = 1; season <= kSeasonCount; ++season)
        outcome.add(Command::WriteZones,
                    sendSeasonZones(exchange, season, schedule[static_cast<size_t>(season - 1)]));
    return outcome.concluded();
}

QString unconfirmedText(const link::Outcome& written) {
    QList<int> seasons;
    int season = 0;
    for (const link::Step& step : written.steps) {
        if (step.command == Command::WriteCalendar && step.check != Check::Ok)
            return QStringLiteral("Календарь не записан");
        if (step.command != Command::WriteZones) continue;
        ++season;
        if (step.check != Check::Ok) seasons << season;
    }
    if (seasons.isEmpty()) return {};
    return link::texts::numbered(QStringLiteral("Не записаны сезоны: "), seasons);
}

}  // namespace vilt::tariff
