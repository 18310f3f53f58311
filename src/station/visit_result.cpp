#include "station/visit_result.h"

#include "link/outcome_texts.h"

namespace vilt::station {

namespace {

// The port that would not open, with the reason the session carries.
QString portFailure(const link::SessionOutcome& session) {
    return session.messages.value(0, link::texts::kPortOpenFailed);
}

QString phrase(const QString& what, const link::Outcome& outcome) {
    return link::texts::failureLine(what, outcome).simplified();
}

}  // namespace

QList<VisitFailure> visitFailures(const VisitOutcome& outcome,
                                  const std::optional<QString>& phone) {
    using Kind = VisitFailure::Kind;
    QList<VisitFailure> found;
    if (outcome.dial && outcome.dial->state != dialup::CallState::Connected)
        found << VisitFailure{Kind::NoCall,
                              QStringLiteral("нет соединения с %1").arg(phone.value_or(QString()))};
    if (const auto& session = outcome.session) {
        if (session->portFailed)
            found << VisitFailure{Kind::PortNotOpened, portFailure(*session)};
        else if (!session->ok())
            found << VisitFailure{Kind::Session, link::texts::failureText(*session)};
    }
    if (outcome.status == link::Status::PortFailed)
        found << VisitFailure{Kind::PortLost, outcome.error};
    if (outcome.hangUp && outcome.hangUp->state != dialup::CallState::Idle)
        found << VisitFailure{Kind::NotHungUp, QStringLiteral("звонок не завершён")};
    return found;
}

QString VisitResult::code() const {
    return faults.isEmpty() ? QStringLiteral("ok") : faults.first().code;
}

QString VisitResult::text() const {
    if (faults.isEmpty())
        return clockSet ? QStringLiteral("успешно, часы установлены") : QStringLiteral("успешно");
    return faultTexts().join(QStringLiteral("; "));
}

QStringList VisitResult::faultTexts() const {
    QStringList texts;
    for (const Fault& fault : faults) texts << fault.text;
    return texts;
}

bool addEnergyFaults(VisitResult& result, const ops::EnergyOutcome& energy) {
    if (!energy.unreadMonths.isEmpty())
        result.add(QStringLiteral("energy"),
                   QStringLiteral("энергия: ") + ops::unreadMonthsText(energy.unreadMonths));
    const bool countersFailed =
        !energy.countersRead || !energy.active || (!energy.ok() && energy.unreadMonths.isEmpty());
    if (countersFailed)
        result.add(QStringLiteral("energy"), phrase(QStringLiteral("энергия"), energy));
    return !countersFailed;
}

void addClockFault(VisitResult& result, const ops::ClockOutcome& clock,
                   const std::optional<qint64>& offset) {
    if (!offset) result.add(QStringLiteral("clock"), phrase(QStringLiteral("часы"), clock));
}

void addEventsFault(VisitResult& result, const ops::EventsOutcome& events) {
    if (!events.ok())
        result.add(QStringLiteral("events"), phrase(QStringLiteral("события"), events));
}

void addProfileFault(VisitResult& result, const ops::ProfileOutcome& profile) {
    if (profile.status == link::Status::NoLink)
        result.add(QStringLiteral("profile"), phrase(QStringLiteral("профиль"), profile));
}

void addArchiveFault(VisitResult& result, const QString& message) {
    result.add(QStringLiteral("archive"), QStringLiteral("архив: ") + message.simplified());
}

namespace {

// The readings of one visit. Each read ran whatever the one before came to, as in the
// dial-up batch; any failure fails the meter.
void addReadingFaults(VisitResult& result, const VisitOutcome& visit) {
    if (const auto& energy = visit.reads.energy) {
        // With the counters read, what the archive said of the readings it did not take.
        if (addEnergyFaults(result, *energy))
            for (const QString& message : energy->messages) addArchiveFault(result, message);
    }
    if (const auto& clock = visit.reads.clock) addClockFault(result, *clock, visit.clockOffset);
    if (const auto& set = visit.clockSet) {
        result.clockSet = set->ok();
        if (!set->ok())
            result.add(QStringLiteral("clock-set"),
                       phrase(QStringLiteral("установка часов"), *set));
    }
    if (const auto& events = visit.reads.events) addEventsFault(result, *events);
    if (const auto& profile = visit.profile) addProfileFault(result, *profile);
}

// A call that did not come, with the modem's reason as the window's box told it («Абонент
// не отвечает!»). A single command has told the reason already, as it came, and says only
// the call's words.
QString withModemReason(const QString& noCall, const dialup::DialOutcome& dial) {
    const QString why = dial.messages.join(QLatin1Char(' ')).simplified();
    return why.isEmpty() ? noCall : noCall + QStringLiteral(": ") + why;
}

QString failureCode(VisitFailure::Kind kind) {
    switch (kind) {
        case VisitFailure::Kind::NoCall:
            return QStringLiteral("no-call");
        case VisitFailure::Kind::PortNotOpened:
        case VisitFailure::Kind::Session:
            return QStringLiteral("session");
        case VisitFailure::Kind::PortLost:
            return QStringLiteral("port-lost");
        case VisitFailure::Kind::NotHungUp:
            return QStringLiteral("not-hung-up");
    }
    return QString();
}

}  // namespace

// The dial's or the session's failure first, then the readings, a port lost mid-visit, a
// call left standing and a stop.
VisitResult visitResult(const VisitOutcome& visit, const std::optional<QString>& phone) {
    VisitResult readings;
    addReadingFaults(readings, visit);
    VisitResult result;
    result.clockSet = readings.clockSet;
    QList<VisitResult::Fault> after;
    for (const VisitFailure& failed : visitFailures(visit, phone)) {
        // A call the user stopped did not fail: the stop says it.
        if (failed.kind == VisitFailure::Kind::NoCall &&
            visit.dial->status == link::Status::Stopped)
            continue;
        const QString code = failureCode(failed.kind);
        if (failed.kind == VisitFailure::Kind::NoCall)
            result.add(code, withModemReason(failed.text, *visit.dial));
        else if (failed.kind == VisitFailure::Kind::NotHungUp ||
                 (visit.session && visit.session->ok()))
            after << VisitResult::Fault{code, failed.text.simplified()};
        else if (visit.session)
            result.add(code, QStringLiteral("сеанс: ") + failed.text.simplified());
        else
            result.add(code, failed.text.simplified());
    }
    result.faults << readings.faults << after;
    if (visit.status == link::Status::Stopped)
        result.add(QStringLiteral("stopped"), link::texts::kStopped.simplified());
    return result;
}

VisitResult notVisited() {
    VisitResult result;
    result.add(QStringLiteral("not-visited"), QStringLiteral("не посещён: обход остановлен"));
    return result;
}

VisitResult malformed(const QString& why) {
    VisitResult result;
    result.add(QStringLiteral("malformed"), QStringLiteral("ошибка в строке: ") + why);
    return result;
}

}  // namespace vilt::station
