// The visit: dial (when planned), a session, energy with the month-end readings, the clock
// (set when it is too far off), the journals, then the close, the quiet second and the
// hang-up. How one reading ends does not change the course; a stop or a device that went
// away ends the readings, and the call is still closed and hung up.

#include <QDateTime>
#include <array>
#include <cstdlib>

#include "comm/comm_error.h"
#include "link/waiter.h"
#include "station/keeping.h"
#include "station/station.h"

namespace vilt::station {

namespace {

// The observer of a visit nobody watches.
VisitObserver& nobody() {
    static VisitObserver quiet;
    return quiet;
}

void take(ops::ReadOutcome& into, const ops::ReadOutcome& read) {
    if (read.energy) into.energy = read.energy;
    if (read.clock) into.clock = read.clock;
    if (read.events) into.events = read.events;
}

}  // namespace

VisitOutcome Station::visit(const Plan& plan, const Settings& settings, VisitObserver* watcher) {
    VisitObserver& observer = watcher ? *watcher : nobody();
    VisitOutcome outcome;
    Settings session = settings;
    session.access = plan.access;
    bool dialled = false;
    try {
        if (plan.dial) {
            outcome.dial = dial(session, [&observer] { observer.dialling(); });
            observer.dialled(*outcome.dial);
            if (outcome.dial->state != dialup::CallState::Connected) {
                outcome.fail(outcome.dial->status, outcome.dial->error);
                return outcome;
            }
            dialled = true;
            session = throughCall(session);
            m_waiter->sleep(plan.pauseMs);
        }
        outcome.session = open(session, [&observer] { observer.sessionStarting(); });
        observer.sessionOpened(*outcome.session);
        if (outcome.session->ok() && !outcome.session->loginFailed) {
            pause(plan.pauseMs);
            readGroups(plan, outcome.session->factory, outcome, observer);
            if (plan.task) plan.task(*this);
        } else {
            outcome.fail(outcome.session->status, outcome.session->error);
        }
    } catch (const link::Stopped&) {
        outcome.fail(link::Status::Stopped);
    } catch (const comm::CommError& error) {
        outcome.fail(link::Status::PortFailed, QString::fromStdString(error.what()));
    }
    endVisit(outcome, observer, dialled);
    return outcome;
}

VisitOutcome Station::readInSession(const Plan& plan, qint64 factory, VisitObserver* watcher) {
    VisitOutcome outcome;
    readGroups(plan, factory, outcome, watcher ? *watcher : nobody());
    return outcome;
}

void Station::readGroups(const Plan& plan, qint64 factory, VisitOutcome& outcome,
                         VisitObserver& observer) {
    const std::array<std::pair<ops::Group, bool>, 3> groups = {{{ops::Group::Energy, plan.energy},
                                                                {ops::Group::Time, plan.clock},
                                                                {ops::Group::Event, plan.events}}};
    for (const auto& [group, planned] : groups) {
        if (!planned) continue;
        observer.readStarting(group);
        ops::ReadInputs inputs;
        inputs.energy = {plan.months, std::nullopt, monthKeeper(plan.archive, factory)};
        if (m_identity) inputs.energy.model = m_identity->model;
        const ops::ReadOutcome read = ops::readSelected(m_exchange, group, inputs);
        take(outcome.reads, read);
        observer.read(read);
        if (read.firstFailure()) outcome.fail(link::Status::NoLink);
        if (group == ops::Group::Time) setClockIfOff(plan, outcome, observer);
        pause(plan.pauseMs);
    }
    if (plan.profileDay) {
        outcome.profile = ops::readProfileDay(m_exchange, *plan.profileDay, factory,
                                              dayKeeper(plan.archive, factory));
        if (outcome.profile->status == link::Status::NoLink) outcome.fail(link::Status::NoLink);
    }
}

// The offset is taken against this computer's clock when the reply came; the meter is set to
// it when the plan says how far off is too far.
void Station::setClockIfOff(const Plan& plan, VisitOutcome& outcome, VisitObserver& observer) {
    const auto& clock = outcome.reads.clock;
    if (!clock) return;
    outcome.clockOffset = ops::clockOffset(*clock, QDateTime::currentDateTime());
    if (!outcome.clockOffset) return;
    if (!plan.syncAbove || std::llabs(*outcome.clockOffset) <= *plan.syncAbove) return;
    outcome.clockSet = ops::syncClock(m_exchange, QDateTime::currentDateTime(), clock->dst);
    observer.clockSet(*outcome.clockSet);
    if (!outcome.clockSet->ok()) outcome.fail(outcome.clockSet->status);
}

// Whatever ended the readings, the session is closed and the call hung up: a stop or a lost
// device must not leave a call standing.
void Station::endVisit(VisitOutcome& outcome, VisitObserver& observer, bool dialled) {
    const link::StopShield shield(*m_waiter);
    if (outcome.session) {
        outcome.closeFailure = close();
        observer.sessionClosed(outcome.closeFailure);
    }
    if (!dialled) return;
    m_line->Close();
    m_waiter->processPendingMessages();
    outcome.hangUp = hangUp();
    observer.hungUp(*outcome.hangUp);
    if (!outcome.hangUp->ok()) outcome.fail(outcome.hangUp->status, outcome.hangUp->error);
}

}  // namespace vilt::station
