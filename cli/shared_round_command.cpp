// `round --shared URL`: this station's part in the round a team shares on the archive's
// server, and `round import FILE`, which fills it. Each modem line and each direct port of
// this station takes meter after meter until none is left for it; the summary lists the
// meters this station visited, in the file's order.

#include <QMap>
#include <mutex>

#include "archive/archive.h"
#include "archive/shared_round.h"
#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/round_common.h"
#include "cli/round_import.h"
#include "cli/round_result.h"
#include "cli/trace.h"
#include "station/shared_round.h"

namespace vilt::cli {

namespace {

const QString kModemsFlag = QStringLiteral("--modems");
const QString kStationFlag = QStringLiteral("--station");
const QString kShape = QStringLiteral("--shared postgresql://USER@HOST[:PORT]/DATABASE "
                                      "[--station NAME] [--modems PORT,PORT…] [%1 SECONDS]")
                           .arg(kSyncFlag);

struct SharedArguments {
    QString place;
    std::optional<QString> station;
    QStringList modems;
    std::optional<qint64> syncAbove;
};

// The value of a flag that takes a text; *error when it is missing.
std::optional<QString> textValue(const QStringList& arguments, qsizetype& i, const QString& flag,
                                 QString* error) {
    std::optional<QString> value = flagText(arguments, i, flag);
    if (!value) *error = QStringLiteral("%1 needs a value").arg(flag);
    return value;
}

std::optional<QString> parseFlag(const QStringList& arguments, qsizetype& i,
                                 SharedArguments& parsed) {
    QString error;
    const QString& argument = arguments[i];
    if (isFlag(argument, kSyncFlag)) {
        parsed.syncAbove =
            flagValue(arguments, i, kSyncFlag, kSyncRange, QStringLiteral("seconds"), &error);
    } else if (isFlag(argument, kModemsFlag)) {
        const auto ports = textValue(arguments, i, kModemsFlag, &error);
        if (ports) parsed.modems = ports->split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (ports && parsed.modems.isEmpty()) error = QStringLiteral("--modems names no port");
    } else if (isFlag(argument, kStationFlag)) {
        parsed.station = textValue(arguments, i, kStationFlag, &error);
        if (parsed.station && !archive::isStationName(*parsed.station))
            error = QStringLiteral("bad value for --station (1 to %1 printable characters)")
                        .arg(archive::kStationLength);
    } else {
        error = QStringLiteral("unknown argument '%1' (round takes %2)").arg(argument, kShape);
    }
    if (error.isEmpty()) return std::nullopt;
    return error;
}

std::optional<SharedArguments> parseShared(const QStringList& arguments, QString* error) {
    SharedArguments parsed;
    if (arguments.isEmpty() || arguments[0].startsWith(QStringLiteral("--"))) {
        *error = QStringLiteral("'round' takes %1").arg(kShape);
        return std::nullopt;
    }
    parsed.place = arguments[0];
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (const auto failed = parseFlag(arguments, i, parsed)) {
            *error = *failed;
            return std::nullopt;
        }
    if (parsed.modems.removeDuplicates() > 0) {
        *error = QStringLiteral("--modems names a port twice");
        return std::nullopt;
    }
    return parsed;
}

std::optional<QString> checkShared(const QStringList& arguments) {
    QString error;
    if (!parseShared(arguments, &error)) return error;
    return std::nullopt;
}

// What the station tells of its part while it runs: the meters as its lines take them, their
// modem answers and results, a line that could not go on. The lines' calls come one at a time
// (the round's lock); the records of visits are asked for outside it, so the meters claimed
// are kept under a lock of their own.
class SharedProgress : public station::RoundObserver {
  public:
    SharedProgress(Trace& trace) : m_trace(trace) {}

    station::RoundMeter claimedMeter(qsizetype index) const {
        const std::lock_guard lock(m_mutex);
        return m_meters.value(index);
    }
    bool linesFailed() const { return m_linesFailed; }

    void claimed(qsizetype index, const station::RoundMeter& meter) override {
        {
            const std::lock_guard lock(m_mutex);
            m_meters.insert(index, meter);
        }
        err(QStringLiteral("%1: %2 (%3)%4 …")
                .arg(where(index), printable(meter.label))
                .arg(meter.factory)
                .arg(meter.phone.isEmpty() ? QString()
                                           : QStringLiteral(", dialling ") + meter.phone));
    }
    void lineFailed(const QString& port, const QString& error) override {
        m_linesFailed = true;
        err(QStringLiteral("%1: the line stopped: %2").arg(printable(port), printable(error)));
    }
    void dialled(qsizetype index, const dialup::DialOutcome& outcome) override {
        tellModem(index, outcome);
    }
    void hungUp(qsizetype index, const dialup::DialOutcome& outcome) override {
        tellModem(index, outcome);
    }
    void traffic(qsizetype index, const link::TrafficEntry& entry) override {
        if (m_trace.wanted())
            m_trace.write(printable(claimedMeter(index).port) + QLatin1Char(' ') +
                          link::formatEntry(entry));
    }
    void finished(qsizetype index, const station::MeterVisit& visit) override {
        err(QStringLiteral("%1: %2").arg(
            where(index), printable(meterResult(claimedMeter(index), visit).result)));
    }

  private:
    QString where(qsizetype index) const {
        const station::RoundMeter meter = claimedMeter(index);
        return QStringLiteral("[%1] %2 line %3")
            .arg(index + 1)
            .arg(printable(meter.port))
            .arg(meter.line);
    }
    void tellModem(qsizetype index, const dialup::DialOutcome& outcome) {
        const QString prefix = where(index) + QStringLiteral(": ");
        for (const QString& text : modemLines(outcome)) err(prefix + text);
    }

    Trace& m_trace;
    mutable std::mutex m_mutex;
    QMap<qsizetype, station::RoundMeter> m_meters;
    bool m_linesFailed = false;
};

// The station's lines: its modems, and the direct ports that hold its meters; the reason
// (and the exit status) when there are none to be had.
std::optional<QList<station::SharedLine>> stationLines(const SharedArguments& arguments,
                                                       const QString& station, int* status) {
    QString error;
    if (!archive::RoundClaims::open(arguments.place, &error)) {
        err(error);
        *status = kArchive;
        return std::nullopt;
    }
    const auto direct = archive::directPorts(arguments.place, station, &error);
    if (!direct) {
        err(error);
        *status = kArchive;
        return std::nullopt;
    }
    QList<station::SharedLine> lines;
    for (const QString& port : arguments.modems) lines << station::SharedLine{port, true};
    for (const QString& port : *direct) {
        if (arguments.modems.contains(port)) {
            err(QStringLiteral("%1 is given as a modem, but meters without a phone hang on it "
                               "for station %2")
                    .arg(printable(port), printable(station)));
            *status = kUsage;
            return std::nullopt;
        }
        lines << station::SharedLine{port, false};
    }
    return lines;
}

int sharedRound(const QStringList& rawArguments, const Options& options) {
    QString error;
    const SharedArguments arguments = *parseShared(rawArguments, &error);
    if (!archive::isServerAddress(arguments.place)) {
        err(QStringLiteral("--shared takes the archive on a server: "
                           "postgresql://USER@HOST[:PORT]/DATABASE"));
        return kUsage;
    }
    const QString station = arguments.station.value_or(options.station);
    int status = kDone;
    const auto lines = stationLines(arguments, station, &status);
    if (!lines) return status;
    if (lines->isEmpty())
        err(QStringLiteral("station %1 has no line for this round: no --modems, and no meter "
                           "without a phone left on its ports")
                .arg(printable(station)));
    Trace trace(options);  // one file for the station: every meter's traffic in it
    if (const auto reason = trace.open()) {
        err(*reason);
        return kUsage;
    }
    Options stored = options;
    stored.archive = arguments.place;
    SharedProgress progress(trace);
    station::SharedRun shared{arguments.place, station, *lines,
                              [&](const station::SharedVisit& visit) {
                                  const MeterResult result =
                                      meterResult(visit.visited, visit.visit);
                                  return std::pair{result.ok, result.result};
                              }};
    const StopOnSignals stopOnSignals;
    station::RoundRun run;
    run.observer = &progress;
    run.stop = &roundStop();
    run.visitRecord = [&](qsizetype index, const station::MeterVisit& visit) {
        return visitRecord(meterResult(progress.claimedMeter(index), visit), station);
    };
    const QList<station::SharedVisit> visits =
        station::runSharedRound(shared, roundSettings(stored, arguments.syncAbove), run);

    QMap<int, MeterResult> byLine;  // the file's order
    for (const station::SharedVisit& visit : visits) {
        MeterResult result = meterResult(visit.visited, visit.visit);
        if (visit.markFailure) {
            result.ok = false;
            result.result += QStringLiteral("; archive: the round's mark not stored: ") +
                             visit.markFailure->simplified();
        }
        byLine.insert(visit.meter.line, result);
    }
    const QList<MeterResult> results = byLine.values();
    printResults(results, options.json, options.csv);
    if (progress.linesFailed()) return kNoLink;
    for (const MeterResult& r : results)
        if (!r.ok) return kNoLink;
    return kDone;
}

}  // namespace

QList<Command> sharedRoundCommands() {
    Command shared{{QStringLiteral("round"), QStringLiteral("--shared")},
                   kAnyArguments,
                   checkShared,
                   nullptr};
    shared.runHere = sharedRound;
    Command import{{QStringLiteral("round"), QStringLiteral("import")}, 1, nullptr, nullptr};
    import.runHere = importRound;
    return {shared, import};
}

}  // namespace vilt::cli
