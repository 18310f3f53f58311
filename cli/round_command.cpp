// The round: meter after meter from a file, each dialled when it has a telephone number,
// its energy (stored in the archive), clock and events read, the clock set when it is too
// far off; a summary of all at the end.

#include <QDateTime>
#include <cstdlib>
#include <memory>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/numbers.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "cli/round_file.h"
#include "cli/trace.h"
#include "link/outcome_texts.h"
#include "ops/operations.h"
#include "ops/readings.h"
#include "station/visit.h"

namespace vilt::cli {

namespace {

const QString kSyncFlag = QStringLiteral("--sync-clock");
constexpr NumberRange kSyncRange{0, 86400 * 366};

struct MeterResult {
    int line = 0;
    QString label;
    std::optional<uint32_t> factory;
    bool ok = false;
    QString result;
    std::optional<qint64> energy;  // active total, hundredths of kW*h
    std::optional<qint64> offset;  // meter clock minus this computer's, seconds
    bool clockSet = false;
};

struct RoundArguments {
    QString file;
    std::optional<qint64> syncAbove;  // seconds
};

std::optional<RoundArguments> parseArguments(const QStringList& arguments, QString* error) {
    RoundArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString value;
        if (argument == kSyncFlag) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("%1 needs a number of seconds").arg(kSyncFlag);
                return std::nullopt;
            }
            value = arguments[++i];
        } else if (argument.startsWith(kSyncFlag + QLatin1Char('='))) {
            value = argument.mid(kSyncFlag.size() + 1);
        } else if (parsed.file.isEmpty() && !argument.startsWith(QStringLiteral("--"))) {
            parsed.file = argument;
            continue;
        } else {
            *error = QStringLiteral("unknown argument '%1' (round takes FILE [%2 SECONDS])")
                         .arg(argument, kSyncFlag);
            return std::nullopt;
        }
        parsed.syncAbove = parseNumber(value, kSyncRange);
        if (!parsed.syncAbove) {
            *error = QStringLiteral("bad value for %1: '%2' (seconds, 0 … %3)")
                         .arg(kSyncFlag, value)
                         .arg(kSyncRange.highest);
            return std::nullopt;
        }
    }
    if (parsed.file.isEmpty()) {
        *error = QStringLiteral("'round' takes FILE [%1 SECONDS]").arg(kSyncFlag);
        return std::nullopt;
    }
    return parsed;
}

std::optional<QString> checkRound(const QStringList& arguments) {
    QString error;
    if (!parseArguments(arguments, &error)) return error;
    return std::nullopt;
}

Options meterOptions(const Options& round, const RoundLine& line) {
    Options options = round;
    options.port = line.port;
    options.factory = line.factory;
    options.password = line.password;
    options.mode = line.password.isEmpty() ? link::AccessMode::ByFactoryNumber
                                           : link::AccessMode::WithPassword;
    options.dial.reset();
    if (!line.phone.isEmpty()) options.dial = line.phone;
    options.command = {QStringLiteral("round")};
    return options;
}

QString failure(const QString& what, const link::Outcome& outcome) {
    return what + QStringLiteral(": ") + link::texts::failureText(outcome).simplified();
}

// The readings of one visit. Each read ran whatever the one before came to, as in the
// dial-up batch; any failure fails the meter.
QStringList readFailures(const station::VisitOutcome& visit, MeterResult& result) {
    QStringList failures;
    if (const auto& energy = visit.reads.energy) {
        if (energy->active) result.energy = ops::countTotal(*energy->active);
        if (!energy->unreadMonths.isEmpty())
            failures << QStringLiteral("energy: ") + ops::unreadMonthsText(energy->unreadMonths);
        if (!energy->countersRead || !energy->active ||
            (!energy->ok() && energy->unreadMonths.isEmpty())) {
            failures << failure(QStringLiteral("energy"), *energy);
        } else {
            for (const QString& message : energy->messages)
                failures << QStringLiteral("archive: ") + message.simplified();
        }
    }
    if (const auto& clock = visit.reads.clock) {
        result.offset = visit.clockOffset;
        if (!visit.clockOffset) failures << failure(QStringLiteral("clock"), *clock);
    }
    if (const auto& set = visit.clockSet) {
        result.clockSet = set->ok();
        if (!set->ok()) failures << failure(QStringLiteral("clock set"), *set);
    }
    if (const auto& events = visit.reads.events; events && !events->ok())
        failures << failure(QStringLiteral("events"), *events);
    return failures;
}

// The result of one meter's visit: the dial's or the session's failure when there was one,
// else what the readings came to; a port that went away and a call left standing after it.
void describe(const station::VisitOutcome& visit, const MeterLink& link, MeterResult& result) {
    QStringList failures = readFailures(visit, result);
    for (const Failure& failed : link.failures(visit)) {
        if (failed.code == kNotHungUp) {
            failures << failed.text;
        } else if (visit.session && visit.session->ok()) {
            failures << failed.text;  // a port lost mid-visit
        } else {
            failures.prepend(visit.session ? QStringLiteral("session: ") + failed.text.simplified()
                                           : failed.text);
        }
    }
    result.ok = failures.isEmpty();
    if (result.ok) {
        result.result = result.clockSet ? QStringLiteral("ok, clock set") : QStringLiteral("ok");
    } else {
        result.result = failures.join(QStringLiteral("; "));
    }
}

MeterResult visit(const Options& round, const RoundArguments& arguments, const RoundLine& line,
                  archive::Archive* archive, Trace& trace) {
    MeterResult result;
    result.line = line.number;
    result.label = line.label;
    result.factory = line.factory;
    const Options options = meterOptions(round, line);
    MeterLink link(options, archive, &trace);
    station::Plan plan = link.plan();
    plan.energy = plan.months = plan.clock = plan.events = true;
    plan.syncAbove = arguments.syncAbove;
    const auto outcome = link.visit(plan);
    if (!outcome) {
        result.result = QStringLiteral("cannot write the trace file '%1'").arg(options.traceFile);
        return result;
    }
    describe(*outcome, link, result);
    return result;
}

// The archive's record of one meter's visit, now that it has ended.
archive::VisitRecord visitRecord(const MeterResult& result, const QString& station) {
    return {QDateTime::currentDateTime(),
            station,
            result.factory.value_or(0),
            result.label,
            result.result,
            result.offset,
            result.energy};
}

// Records the visit (none with --no-store); a record the archive did not take fails the
// meter, saying why, and the round goes on.
void recordVisit(archive::Archive* archive, const QString& station, MeterResult& result) {
    if (!archive) return;
    const archive::StoreResult stored = archive->storeVisit(visitRecord(result, station));
    if (stored.status == archive::StoreStatus::Stored) return;
    const QString failure = QStringLiteral("archive: ") + stored.error.simplified();
    result.result = result.ok ? failure : result.result + QStringLiteral("; ") + failure;
    result.ok = false;
}

QString optionalNumber(const std::optional<qint64>& value, bool hundredthsOf) {
    if (!value) return QString();
    return hundredthsOf ? hundredths(*value) : QString::number(*value);
}

void printSummary(const QList<MeterResult>& results) {
    const QStringList header{QStringLiteral("label"), QStringLiteral("factory"),
                             QStringLiteral("energy"), QStringLiteral("offset"),
                             QStringLiteral("result")};
    QList<QStringList> rows{header};
    for (const MeterResult& r : results)
        rows << QStringList{
            r.label.isEmpty() ? QStringLiteral("line %1").arg(r.line) : printable(r.label),
            r.factory ? QString::number(*r.factory) : QString(), optionalNumber(r.energy, true),
            optionalNumber(r.offset, false), printable(r.result)};
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const QStringList& row : rows) {
        QStringList cells;
        for (qsizetype c = 0; c + 1 < row.size(); ++c) {
            // Numbers to the right, text to the left.
            cells << (c == 2 || c == 3 ? row[c].rightJustified(widths[c])
                                       : row[c].leftJustified(widths[c]));
        }
        cells << row.last();
        out(cells.join(QStringLiteral("  ")));
    }
}

void printJson(const QList<MeterResult>& results) {
    QStringList items;
    const QString null = QStringLiteral("null");
    for (const MeterResult& r : results)
        items << QStringLiteral(
                     R"({"line":%1,"label":%2,"factory":%3,"ok":%4,"result":%5,"energy":%6,)"
                     R"("offset":%7,"clock_set":%8})")
                     .arg(r.line)
                     .arg(jsonString(r.label), r.factory ? QString::number(*r.factory) : null,
                          r.ok ? "true" : "false", jsonString(r.result),
                          r.energy ? hundredths(*r.energy) : null,
                          r.offset ? QString::number(*r.offset) : null,
                          r.clockSet ? "true" : "false");
    out(QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']'));
}

int round(const QStringList& rawArguments, const Options& options) {
    QString error;
    const RoundArguments arguments = *parseArguments(rawArguments, &error);
    const auto lines = readRoundFile(arguments.file, &error);
    if (!lines) {
        err(error);
        return kUsage;
    }
    std::unique_ptr<archive::Archive> archive;
    if (!options.noStore) {
        archive = archive::Archive::open(options.archive, &error);
        if (!archive) {
            err(error);
            return kArchive;
        }
    }
    Trace trace(options);  // one file for the round: every meter's traffic in it
    if (const auto reason = trace.open()) {
        err(*reason);
        return kUsage;
    }
    QList<MeterResult> results;
    const qsizetype count = lines->size();
    for (const RoundLine& line : *lines) {
        const QString where = QStringLiteral("[%1/%2] %3:%4")
                                  .arg(results.size() + 1)
                                  .arg(count)
                                  .arg(arguments.file)
                                  .arg(line.number);
        if (!line.error.isEmpty()) {
            err(QStringLiteral("%1: malformed line: %2").arg(where, printable(line.error)));
            MeterResult bad;
            bad.line = line.number;
            bad.result = QStringLiteral("malformed line: ") + line.error;
            results << bad;
            continue;
        }
        err(QStringLiteral("%1: %2 (%3)%4 …")
                .arg(where, printable(line.label))
                .arg(line.factory)
                .arg(line.phone.isEmpty() ? QString()
                                          : QStringLiteral(", dialling ") + line.phone));
        results << visit(options, arguments, line, archive.get(), trace);
        recordVisit(archive.get(), options.station, results.last());
        err(QStringLiteral("%1: %2").arg(where, printable(results.last().result)));
    }
    if (options.json) {
        printJson(results);
    } else {
        printSummary(results);
    }
    for (const MeterResult& r : results)
        if (!r.ok) return kNoLink;
    return kDone;
}

}  // namespace

QList<Command> roundCommands() {
    Command command{{QStringLiteral("round")}, kAnyArguments, checkRound, nullptr};
    command.runHere = round;
    return {command};
}

}  // namespace vilt::cli
