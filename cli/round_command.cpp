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
#include "cli/round_progress.h"
#include "cli/round_result.h"
#include "cli/trace.h"
#include "station/round.h"

namespace vilt::cli {

namespace {

const QString kSyncFlag = QStringLiteral("--sync-clock");
const QString kLinesFlag = QStringLiteral("--lines");
constexpr NumberRange kSyncRange{0, 86400 * 366};
constexpr NumberRange kLinesRange{1, 64};

struct RoundArguments {
    QString file;
    std::optional<qint64> syncAbove;  // seconds
    int lines = 0;                    // ports at once; 0: all
};

const QString kShape = QStringLiteral("FILE [%1 SECONDS] [%2 N]").arg(kSyncFlag, kLinesFlag);

// The value of a flag (given as "--flag VALUE" or "--flag=VALUE") within its range.
std::optional<qint64> flagValue(const QStringList& arguments, qsizetype& i, const QString& flag,
                                NumberRange range, const QString& unit, QString* error) {
    QString value;
    if (arguments[i] == flag) {
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("%1 needs a number of %2").arg(flag, unit);
            return std::nullopt;
        }
        value = arguments[++i];
    } else {
        value = arguments[i].mid(flag.size() + 1);
    }
    const auto number = parseNumber(value, range);
    if (!number)
        *error = QStringLiteral("bad value for %1: '%2' (%3, %4 … %5)")
                     .arg(flag, value, unit)
                     .arg(range.lowest)
                     .arg(range.highest);
    return number;
}

bool isFlag(const QString& argument, const QString& flag) {
    return argument == flag || argument.startsWith(flag + QLatin1Char('='));
}

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

// An interrupt (Ctrl+C) or a terminate stops the round: the visits under way close their
// sessions and hang up, the meters not begun are left. A second one ends the program.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    g_stop.store(true);
    std::signal(signal, SIG_DFL);
}

class StopOnSignals {
  public:
    StopOnSignals() {
        g_stop.store(false);
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
    }
    ~StopOnSignals() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
};

station::RoundSettings sharedSettings(const Options& options, const RoundArguments& arguments) {
    station::RoundSettings settings;
    settings.speed = options.speed;
    settings.waitMs = options.timeOut;
    settings.fast = options.fast;
    settings.syncAbove = arguments.syncAbove;
    if (options.timeOutGiven) settings.callWait = options.timeOut;
    settings.pauseMs = 0;
    if (!options.noStore) settings.archive = options.archive;
    return settings;
}

station::RoundMeter roundMeter(const RoundLine& line) {
    station::RoundMeter meter;
    meter.line = line.number;
    meter.port = line.port;
    meter.phone = line.phone;
    meter.factory = line.factory;
    meter.password = line.password;
    meter.label = line.label;
    return meter;
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
    run.stop = &g_stop;
    run.visitRecord = [&](qsizetype index, const station::MeterVisit& visit) {
        return visitRecord(meterResult((*lines)[visited[index]], visit), options.station);
    };
    station::runRound(meters, sharedSettings(options, arguments), run);

    const QList<MeterResult>& results = progress.results();
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
