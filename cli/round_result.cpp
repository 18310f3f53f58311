#include "cli/round_result.h"

#include <QDateTime>
#include <QStringList>
#include <algorithm>

#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "link/outcome_texts.h"
#include "ops/readings.h"

namespace vilt::cli {

namespace {

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

// Everything one visit failed in, the dial's or the session's failure first.
QStringList visitFailureTexts(const station::VisitOutcome& visit, const station::RoundMeter& meter,
                              MeterResult& result) {
    QStringList failures = readFailures(visit, result);
    const std::optional<QString> phone =
        meter.phone.isEmpty() ? std::nullopt : std::optional<QString>(meter.phone);
    for (const Failure& failed : visitFailures(visit, phone)) {
        if (failed.code == kNotHungUp) {
            failures << failed.text;
        } else if (visit.session && visit.session->ok()) {
            failures << failed.text;  // a port lost mid-visit
        } else {
            failures.prepend(visit.session ? QStringLiteral("session: ") + failed.text.simplified()
                                           : failed.text);
        }
    }
    if (visit.status == link::Status::Stopped) failures << QStringLiteral("stopped");
    return failures;
}

QString optionalNumber(const std::optional<qint64>& value, bool hundredthsOf) {
    if (!value) return QString();
    return hundredthsOf ? hundredths(*value) : QString::number(*value);
}

}  // namespace

MeterResult malformedResult(const RoundLine& line) {
    MeterResult bad;
    bad.line = line.number;
    bad.result = QStringLiteral("malformed line: ") + line.error;
    return bad;
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

MeterResult meterResult(const station::RoundMeter& meter, const station::MeterVisit& visit) {
    MeterResult result;
    result.line = meter.line;
    result.label = meter.label;
    result.factory = meter.factory;
    if (!visit.visit) {
        result.result = QStringLiteral("not visited: the round was stopped");
        return result;
    }
    QStringList failures = visitFailureTexts(*visit.visit, meter, result);
    if (visit.error) failures << *visit.error;
    if (visit.archiveFailure) failures << QStringLiteral("archive: ") + *visit.archiveFailure;
    // A record the archive did not take fails the meter: the readings may be stored, but
    // the team's record of who visited what would be wrong.
    if (visit.recordFailure)
        failures << QStringLiteral("archive: ") + visit.recordFailure->simplified();
    result.ok = failures.isEmpty();
    if (result.ok) {
        result.result = result.clockSet ? QStringLiteral("ok, clock set") : QStringLiteral("ok");
    } else {
        result.result = failures.join(QStringLiteral("; "));
    }
    return result;
}

archive::VisitRecord visitRecord(const MeterResult& result, const QString& station) {
    return {QDateTime::currentDateTime(),
            station,
            result.factory.value_or(0),
            result.label,
            result.result,
            result.offset,
            result.energy};
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

void printCsv(const QList<MeterResult>& results) {
    sheet::Sheet summary{{QStringLiteral("Строка файла"), QStringLiteral("Метка"),
                          QStringLiteral("Заводской номер"), QStringLiteral("Энергия, кВт*ч"),
                          QStringLiteral("Смещение часов, с"), QStringLiteral("Результат")},
                         {}};
    for (const MeterResult& r : results)
        summary.rows << QList<sheet::Cell>{
            sheet::Cell::integer(r.line), sheet::Cell::text(r.label),
            r.factory ? sheet::Cell::integer(*r.factory) : sheet::Cell(),
            r.energy ? sheet::Cell::hundredths(*r.energy) : sheet::Cell(),
            r.offset ? sheet::Cell::integer(*r.offset) : sheet::Cell(),
            sheet::Cell::text(r.result)};
    outCsv({summary});
}

void printResults(const QList<MeterResult>& results, bool json, bool csv) {
    if (csv)
        printCsv(results);
    else if (json)
        printJson(results);
    else
        printSummary(results);
}

}  // namespace vilt::cli
