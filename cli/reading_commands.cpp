// The readings of the meter: energy counters with the month-end readings, and the daily
// power profile over a range of days; what is read goes into the archive unless --no-store.

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "cli/report.h"
#include "link/outcome_texts.h"
#include "ops/readings.h"
#include "ops/retry.h"

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

void printEnergy(const ops::EnergyOutcome& energy, bool json) {
    if (json) {
        QStringList months;
        for (int m = 1; m <= ops::kMonthCount; ++m)
            if (const auto& counts = energy.months[static_cast<size_t>(m - 1)])
                months << QStringLiteral(R"("%1":%2)").arg(m).arg(countsJson(*counts, false));
        out(QStringLiteral(R"({"active":%1,"reactive":%2,"months":{%3}})")
                .arg(countsJson(*energy.active, true),
                     energy.reactive ? countsJson(*energy.reactive, true) : QStringLiteral("null"),
                     months.join(QLatin1Char(','))));
        return;
    }
    out(countsText(QStringLiteral("Актив, кВт*ч"), *energy.active, true));
    if (energy.reactive) out(countsText(QStringLiteral("Реактив, квар*ч"), *energy.reactive, true));
    for (int m = 1; m <= ops::kMonthCount; ++m)
        if (const auto& counts = energy.months[static_cast<size_t>(m - 1)])
            out(countsText(QStringLiteral("Конец месяца %1, кВт*ч").arg(m), *counts, false));
}

// The energy group of a Read: with --months the twelve month-end readings first, stored
// under the session's factory number. A month-end row the archive did not create is told on
// standard error and ends the command with the archive's exit status, after the values.
int energyRead(MeterLink& link, const QStringList& arguments, const Options& options) {
    const link::SessionOutcome& session = link.session();
    ops::EnergyRequest request;
    request.months = arguments.contains(kMonthsFlag);
    request.model = QString::number(session.identity.value_or(link::Identity{}).model);
    request.archive = link.archive();
    request.factory = session.factory;
    const ops::EnergyOutcome energy = ops::readEnergy(link.exchange(), request);
    if (!energy.ok()) return report(energy);
    // The group ends as its last counter read did: the reactive one can succeed where all
    // attempts at the active one failed, and then there is no active row to show.
    if (!energy.active) {
        err(link::texts::kNoLink);
        return kNoLink;
    }
    for (const QString& message : energy.messages) err(message.trimmed());
    printEnergy(energy, options.json);
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

// A day is tried as often as any read is: one lost reply does not cost it.
ops::ProfileOutcome readDay(MeterLink& link, const QDate& day, qint64 factory) {
    ops::ProfileOutcome read;
    for (int attempt = 0; attempt < ops::kAttempts; ++attempt) {
        read = ops::RdSrClick(link.exchange(), day, factory, link.archive());
        if (read.status != link::Status::NoLink) break;
    }
    return read;
}

// Each day of the range in turn, with a progress line on standard error. A day without a
// profile is told and the range goes on. A day still without link after its attempts ends
// the range (the line is taken to be gone), and so does a day the archive did not take (the
// next would fare no better); what was read before stays printed and stored.
int profileRead(MeterLink& link, const QStringList& arguments, const Options& options) {
    const QDate from = *parseDay(arguments.first());
    const QDate to = *parseDay(arguments.last());
    const qint64 factory = link.session().factory;
    QStringList days;  // as JSON
    bool anyProfile = false;
    int status = kDone;
    for (QDate day = from; day <= to && status == kDone; day = day.addDays(1)) {
        const QString date = day.toString(Qt::ISODate);
        const ops::ProfileOutcome read = readDay(link, day, factory);
        if (read.status == link::Status::NoLink) {
            err(date + QStringLiteral(": ") + link::texts::kNoLink);
            days << QStringLiteral(R"({"date":"%1","nolink":true})").arg(date);
            status = kNoLink;
            continue;
        }
        if (!read.words) {
            err(date + QStringLiteral(": ") + link::texts::kNoProfile);
            days << QStringLiteral(R"({"date":"%1","absent":true})").arg(date);
            continue;
        }
        anyProfile = true;
        err(QStringLiteral("%1: %2 срезов").arg(date).arg(ops::kSlotCount));
        for (const QString& message : read.messages) err(date + QStringLiteral(": ") + message);
        if (link.archive() && !read.stored) status = kArchive;
        const DaySlices slices = fromMeter(day, *read.words);
        if (options.json) {
            days << dayJson(slices);
        } else {
            for (const QString& line : dayText(slices)) out(line);
        }
    }
    if (options.json) out(QStringLiteral(R"({"days":[%1]})").arg(days.join(QLatin1Char(','))));
    if (status != kDone) return status;
    if (!anyProfile) {
        err(link::texts::kNoProfile);
        return kNothingThere;
    }
    return kDone;
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
