#include "station/meter_result.h"

#include <QDateTime>
#include <QStringList>

#include "link/outcome_texts.h"
#include "ops/readings.h"

namespace vilt::station {

namespace {

// The port that would not open, with the reason the session carries.
QString portFailure(const link::SessionOutcome& session) {
    return session.messages.value(0, link::texts::kPortOpenFailed);
}

}  // namespace

QList<VisitFailure> visitFailures(const VisitOutcome& outcome,
                                  const std::optional<QString>& phone) {
    using Kind = VisitFailure::Kind;
    QList<VisitFailure> found;
    if (outcome.dial && outcome.dial->state != dialup::CallState::Connected)
        found << VisitFailure{Kind::NoCall,
                              QStringLiteral("no call to %1").arg(phone.value_or(QString()))};
    if (const auto& session = outcome.session) {
        if (session->portFailed)
            found << VisitFailure{Kind::PortNotOpened, portFailure(*session)};
        else if (!session->ok())
            found << VisitFailure{Kind::Session, link::texts::failureText(*session)};
    }
    if (outcome.status == link::Status::PortFailed)
        found << VisitFailure{Kind::PortLost, outcome.error};
    if (outcome.hangUp && outcome.hangUp->state != dialup::CallState::Idle)
        found << VisitFailure{Kind::NotHungUp, QStringLiteral("the call was not hung up")};
    return found;
}

namespace {

// The readings of one visit. Each read ran whatever the one before came to, as in the
// dial-up batch; any failure fails the meter.
QStringList readFailures(const VisitOutcome& visit, MeterResult& result) {
    QStringList failures;
    if (const auto& energy = visit.reads.energy) {
        if (energy->active) result.energy = ops::countTotal(*energy->active);
        if (!energy->unreadMonths.isEmpty())
            failures << QStringLiteral("energy: ") + ops::unreadMonthsText(energy->unreadMonths);
        if (!energy->countersRead || !energy->active ||
            (!energy->ok() && energy->unreadMonths.isEmpty())) {
            failures << link::texts::failureLine(QStringLiteral("energy"), *energy);
        } else {
            for (const QString& message : energy->messages)
                failures << QStringLiteral("archive: ") + message.simplified();
        }
    }
    if (const auto& clock = visit.reads.clock) {
        result.offset = visit.clockOffset;
        if (!visit.clockOffset)
            failures << link::texts::failureLine(QStringLiteral("clock"), *clock);
    }
    if (const auto& set = visit.clockSet) {
        result.clockSet = set->ok();
        if (!set->ok()) failures << link::texts::failureLine(QStringLiteral("clock set"), *set);
    }
    if (const auto& events = visit.reads.events; events && !events->ok())
        failures << link::texts::failureLine(QStringLiteral("events"), *events);
    return failures;
}

// Everything one visit failed in, the dial's or the session's failure first.
QStringList visitFailureTexts(const VisitOutcome& visit, const RoundMeter& meter,
                              MeterResult& result) {
    QStringList failures = readFailures(visit, result);
    const std::optional<QString> phone =
        meter.phone.isEmpty() ? std::nullopt : std::optional<QString>(meter.phone);
    for (const VisitFailure& failed : visitFailures(visit, phone)) {
        if (failed.kind == VisitFailure::Kind::NotHungUp) {
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

}  // namespace

MeterResult malformedResult(const RoundLine& line) {
    MeterResult bad;
    bad.line = line.number;
    bad.result = QStringLiteral("malformed line: ") + line.error;
    return bad;
}

RoundMeter roundMeter(const RoundLine& line) {
    RoundMeter meter;
    meter.line = line.number;
    meter.port = line.port;
    meter.phone = line.phone;
    meter.factory = line.factory;
    meter.password = line.password;
    meter.label = line.label;
    return meter;
}

MeterResult meterResult(const RoundMeter& meter, const MeterVisit& visit) {
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

}  // namespace vilt::station
