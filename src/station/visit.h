#pragma once
// A visit to one meter: the call (when planned), the session, the readings, the clock set
// when it is too far off, the close and the hang-up. A plan goes in, one outcome with each
// step's own comes out; an observer sees the steps as they come, so a window can show them.

#include <QString>
#include <functional>
#include <optional>

#include "archive/archive.h"
#include "dialup/dial_up.h"
#include "link/outcome.h"
#include "link/session.h"
#include "ops/operations.h"
#include "ops/profile_range.h"

namespace vilt::station {

class Station;

struct Plan {
    bool dial = false;  // the modem calls the settings' phone first and hangs up after
    link::AccessMode access = link::AccessMode::Local;
    bool energy = true;
    bool months = true;  // the month-end readings with the energy
    bool clock = true;
    bool events = true;
    // Set the meter's clock to this computer's when the two differ by more seconds.
    std::optional<qint64> syncAbove;
    // Between the steps: the meter (and the modems) get a breath, the window repaints.
    int pauseMs = 500;
    // A day's power profile after the journals (the visit report's); none: no profile.
    std::optional<QDate> profileDay;
    archive::Archive* archive = nullptr;  // where readings are stored; none: nowhere
    // Runs in the open session after the readings (a command of the command line).
    std::function<void(Station&)> task;
};

// The step outcomes of a visit, each set when the step ran. Status Done when every step
// was; otherwise as the first step that was not (Stopped, PortFailed with the port's error).
struct VisitOutcome : link::Outcome {
    VisitOutcome() : link::Outcome(link::Operation::Visit) {}

    std::optional<dialup::DialOutcome> dial;
    std::optional<link::SessionOutcome> session;
    ops::ReadOutcome reads;                      // energy, clock and journals, as read
    std::optional<ops::ProfileOutcome> profile;  // the plan's day
    std::optional<qint64> clockOffset;           // the meter's clock minus this computer's, seconds
    std::optional<link::Outcome> clockSet;
    std::optional<QString> closeFailure;  // why DTR could not be lowered
    std::optional<dialup::DialOutcome> hangUp;

    // Takes the first failure's status (and error) and keeps it.
    void fail(link::Status why, const QString& text = {}) {
        if (status != link::Status::Done) return;
        status = why;
        error = text;
    }
};

// What a window shows while a visit runs; every step is announced before it starts (where
// it takes long) and when it has ended.
class VisitObserver {
  public:
    virtual ~VisitObserver() = default;
    virtual void dialling() {}
    virtual void dialled(const dialup::DialOutcome&) {}
    virtual void sessionStarting() {}
    virtual void sessionOpened(const link::SessionOutcome&) {}
    virtual void readStarting(ops::Group) {}
    virtual void read(const ops::ReadOutcome&) {}
    virtual void clockSet(const link::Outcome&) {}
    virtual void sessionClosed(const std::optional<QString>& /*dtrFailure*/) {}
    virtual void hungUp(const dialup::DialOutcome&) {}
};

}  // namespace vilt::station
