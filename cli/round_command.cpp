// The round: the meters of a file, each dialled when it has a telephone number, its energy
// (stored in the archive), clock and events read, the clock set when it is too far off;
// the meters of different ports at once, a summary of all at the end in the file's order.

#include <QHash>
#include <atomic>
#include <csignal>
#include <memory>

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/numbers.h"
#include "cli/output.h"
#include "cli/round_file.h"
#include "cli/round_common.h"
#include "cli/round_progress.h"
#include "cli/round_result.h"
#include "cli/trace.h"
#include "station/round.h"

namespace vilt::cli {

namespace {

const QString kLinesFlag = QStringLiteral("--lines");
constexpr NumberRange kLinesRange{1, 64};

struct RoundArguments {
    QString file;
    std::optional<qint64> syncAbove;  // seconds
    int lines = 0;                    // ports at once; 0: all
};

const QString kShape = QStringLiteral("FILE [%1 SECONDS] [%2 N]").arg(kSyncFlag, kLinesFlag);

std::optional<RoundArguments> parseArguments(const QStringList& arguments, QString* error) {
    RoundArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (isFlag(argument, kSyncFlag)) {
            parsed.syncAbove =
                flagValue(arguments, i, kSyncFlag, kSyncRange, QStringLiteral("seconds"), error);
            if (!parsed.syncAbove) return std::nullopt;
        } else if (isFlag(argument, kLinesFlag)) {
            const auto lines =
                flagValue(arguments, i, kLinesFlag, kLinesRange, QStringLiteral("ports"), error);
            if (!lines) return std::nullopt;
            parsed.lines = static_cast<int>(*lines);
        } else if (parsed.file.isEmpty() && !argument.startsWith(QStringLiteral("--"))) {
            parsed.file = argument;
        } else {
            *error = QStringLiteral("unknown argument '%1' (round takes %2)").arg(argument, kShape);
            return std::nullopt;
        }
    }
    if (parsed.file.isEmpty()) {
        *error = QStringLiteral("'round' takes %1").arg(kShape);
        return std::nullopt;
    }
    return parsed;
}

std::optional<QString> checkRound(const QStringList& arguments) {
    QString error;
    if (!parseArguments(arguments, &error)) return error;
    return std::nullopt;
}

int round(const QStringList& rawArguments, const Options& options) {
    QString error;
    const RoundArguments arguments = *parseArguments(rawArguments, &error);
    const auto lines = readRoundFile(arguments.file, &error);
    if (!lines) {
        err(error);
        return kUsage;
    }
    // Opened here once, so that an archive that is not one ends the round before any meter;
    // each port's thread opens its own connection to it.
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
    QList<station::RoundMeter> meters;
    QList<qsizetype> visited;  // each meter's place among the file's lines
    RoundProgress progress(arguments.file, *lines, visited, trace);
    for (qsizetype place = 0; place < lines->size(); ++place) {
        if (!(*lines)[place].error.isEmpty()) {
            progress.tellMalformed(place);
            continue;
        }
        meters << roundMeter((*lines)[place]);
        visited << place;
    }
    const StopOnSignals stopOnSignals;
    station::RoundRun run;
    run.lines = arguments.lines;
    run.observer = &progress;
    run.stop = &roundStop();
    run.visitRecord = [&](qsizetype index, const station::MeterVisit& visit) {
        return visitRecord(meterResult(meters[index], visit), options.station);
    };
    station::runRound(meters, roundSettings(options, arguments.syncAbove), run);

    const QList<MeterResult>& results = progress.results();
    printResults(results, options.json, options.csv);
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
