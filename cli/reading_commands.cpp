// The readings of the meter: energy counters with the month-end readings, and the daily
// power profile over a range of days; what is read goes into the archive unless --no-store.

#include <algorithm>

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "cli/report.h"
#include "link/outcome_texts.h"
#include "ops/profile_range.h"
#include "ops/readings.h"
#include "sheet/sheets.h"
#include "station/keeping.h"

namespace vilt::cli {

namespace {

const QString kMonthsFlag = QStringLiteral("--months");
// A year and a day: a leap year's profiles in one command, not an endless wait for a typo.
constexpr qint64 kLongestRange = 366;

std::optional<QString> checkEnergy(const QStringList& arguments) {
    for (const QString& argument : arguments)
        if (argument != kMonthsFlag)
            return QStringLiteral("unknown argument '%1' (energy read takes --months)")
                .arg(argument);
    return std::nullopt;
}

bool energyStores(const QStringList& arguments) {
    return arguments.contains(kMonthsFlag);
}

QString countsText(const QString& label, const ops::Counts& counts, bool total) {
    const QStringList values = countTexts(counts);
    QStringList parts;
    for (qsizetype t = 0; t < values.size(); ++t)
        parts << QStringLiteral("Т%1 %2").arg(t + 1).arg(values[t]);
    if (total) parts << QStringLiteral("всего ") + hundredths(ops::countTotal(counts));
    return label + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QString countsJson(const ops::Counts& counts, bool total) {
    QStringList values = countTexts(counts);
    if (total) values << hundredths(ops::countTotal(counts));
    return QLatin1Char('[') + values.join(QLatin1Char(',')) + QLatin1Char(']');
}

// What was read, whatever ended the read: the counters that came, the month-end readings
// that came.
void printEnergy(const ops::EnergyOutcome& energy, const Options& options, qint64 factory) {
    const QString null = QStringLiteral("null");
    if (options.csv) {
        QList<sheet::Sheet> sheets{sheet::energySheet(energy)};
        if (std::any_of(energy.months.begin(), energy.months.end(),
                        [](const auto& month) { return month.has_value(); }))
            sheets << sheet::monthSheet({sheet::monthRow(factory, energy)});
        outCsv(sheets);
        return;
    }
    if (options.json) {
        QStringList months;
        for (int m = 1; m <= link::kMonthCount; ++m)
            if (const auto& counts = energy.months[static_cast<size_t>(m - 1)])
                months << QStringLiteral(R"("%1":%2)").arg(m).arg(countsJson(*counts, false));
        out(QStringLiteral(R"({"active":%1,"reactive":%2,"months":{%3}})")
                .arg(energy.active ? countsJson(*energy.active, true) : null,
                     energy.reactive ? countsJson(*energy.reactive, true) : null,
                     months.join(QLatin1Char(','))));
        return;
    }
    if (energy.active) out(countsText(QStringLiteral("Актив, кВт*ч"), *energy.active, true));
    if (energy.reactive) out(countsText(QStringLiteral("Реактив, квар*ч"), *energy.reactive, true));
    for (int m = 1; m <= link::kMonthCount; ++m)
        if (const auto& counts = energy.months[static_cast<size_t>(m - 1)])
            out(countsText(QStringLiteral("Конец месяца %1, кВт*ч").arg(m), *counts, false));
}

// The active counters, or month-end readings: the reactive counters alone (the active ones
// lost) make no reading.
bool anyRead(const ops::EnergyOutcome& energy) {
    return energy.active ||
           std::any_of(energy.months.begin(), energy.months.end(),
                       [](const auto& month) { return month.has_value(); });
}

// The energy group of a Read: with --months the twelve month-end readings first, stored
// under the session's factory number. What was read is printed first, whatever came after;
// then on standard error a month-end row the archive did not create or refused (the archive's
// exit status), the months not read and counters that failed (no link).
int energyRead(MeterLink& link, const QStringList& arguments, const Options& options) {
    const link::SessionOutcome& session = link.session();
    ops::EnergyRequest request;
    request.months = arguments.contains(kMonthsFlag);
    if (session.identity) request.model = session.identity->model;
    request.keep = station::monthKeeper(link.archive(), session.factory);
    const ops::EnergyOutcome energy = ops::readEnergy(link.exchange(), request);
    if (energy.status == link::Status::Garbled) return report(energy);
    if (anyRead(energy)) printEnergy(energy, options, session.factory);
    for (const QString& message : energy.messages) err(message.trimmed());
    if (!energy.unreadMonths.isEmpty()) err(ops::unreadMonthsText(energy.unreadMonths));
    if (energy.status == link::Status::Failed) {
        err(link::texts::failureText(energy));
        return kArchive;
    }
    // The group ends as its last counter read did: the reactive one can succeed where all
    // attempts at the active one failed, and then there is no active row to show.
    if (!energy.countersRead || !energy.active) {
        err(link::texts::kNoLink);
        return kNoLink;
    }
    if (!energy.unreadMonths.isEmpty()) return kNoLink;
    return energy.messages.isEmpty() ? kDone : kArchive;
}

std::optional<QString> checkProfile(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.size() > 2)
        return QStringLiteral("'profile read' takes FROM [TO], days as YYYY-MM-DD");
    for (const QString& argument : arguments)
        if (!parseDay(argument))
            return QStringLiteral("expected a day as YYYY-MM-DD in 2000-2099, got '%1'")
                .arg(argument);
    const QDate from = *parseDay(arguments.first());
    const QDate to = *parseDay(arguments.last());
    if (to < from) return QStringLiteral("TO %1 is before FROM %2").arg(arguments[1], arguments[0]);
    if (from.daysTo(to) + 1 > kLongestRange)
        return QStringLiteral("%1 days asked; a range covers %2 days at most")
            .arg(from.daysTo(to) + 1)
            .arg(kLongestRange);
    return std::nullopt;
}

// One day of a range as it comes: a progress line on standard error and the slices on
// standard output; with json the day's element of the list instead, returned; with csv
// nothing (the range is one table at its end).
QString printDay(const ops::ProfileOutcome& read, const Options& options) {
    const QString date = read.day.toString(Qt::ISODate);
    if (read.status == link::Status::NoLink) {
        err(date + QStringLiteral(": ") + link::texts::kNoLink);
        return QStringLiteral(R"({"date":"%1","nolink":true})").arg(date);
    }
    if (!read.words) {
        err(date + QStringLiteral(": ") + link::texts::kNoProfile);
        return QStringLiteral(R"({"date":"%1","absent":true})").arg(date);
    }
    err(QStringLiteral("%1: %2 срезов").arg(date).arg(link::kProfileSlotCount));
    for (const QString& message : read.messages) err(date + QStringLiteral(": ") + message);
    if (options.csv) return {};
    const DaySlices slices = fromMeter(read.day, *read.words);
    if (options.json) return dayJson(slices);
    for (const QString& line : dayText(slices)) out(line);
    return {};
}

// Each day of the range in turn, printed as it comes; what was read before a day that
// ended the range stays printed and stored.
int profileRead(MeterLink& link, const QStringList& arguments, const Options& options) {
    QStringList days;  // as JSON
    QList<ops::ProfileOutcome> read;
    const ops::ProfileRangeOutcome range = ops::readProfileRange(
        link.exchange(), *parseDay(arguments.first()), *parseDay(arguments.last()),
        link.session().factory, station::dayKeeper(link.archive(), link.session().factory),
        [&](const ops::ProfileOutcome& day) {
            days << printDay(day, options);
            if (options.csv && day.words) read << day;
        });
    if (options.json) out(QStringLiteral(R"({"days":[%1]})").arg(days.join(QLatin1Char(','))));
    if (options.csv && !read.isEmpty()) outCsv({sheet::profileSheet(read)});
    switch (range.status) {
        case link::Status::Done:
            return kDone;
        case link::Status::Absent:
            err(link::texts::kNoProfile);
            return kNothingThere;
        case link::Status::Failed:
            return kArchive;
        default:
            return kNoLink;  // the day that ended the range has told why
    }
}

}  // namespace

QList<Command> readingCommands() {
    return {
        {{"energy", "read"}, kAnyArguments, checkEnergy, energyRead, energyStores},
        {{"profile", "read"},
         kAnyArguments,
         checkProfile,
         profileRead,
         [](const QStringList&) { return true; }},
    };
}

}  // namespace vilt::cli
