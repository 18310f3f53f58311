#pragma once
// What a command or an operation returns: the exchanges it made and how each ended, the
// message boxes it raises, and how the whole ended. The data it decoded comes beside this
// in the operation's own outcome type.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "link/command.h"
#include "link/exchange.h"

namespace vilt::link {

// the meter address after the exchange.
struct Step {
    Command command;
    Check check;
    uint32_t address = 0;

    bool operator==(const Step&) const = default;
};

// A command's decoded reply, valid when check is Ok.
template <typename T>
struct Result {
    Check check = Check::Count;
    T value{};
    bool ok() const { return check == Check::Ok; }
};

// The operations a user starts, so that each outcome is shown as its own.
enum class Operation {
    Session,
    ReadClock,
    ReadDst,
    ReadEvents,
    WriteClock,
    WriteDst,
    SyncClock,
    WritePlace,
    Reset,
    WriteSpeed,
    ChangePassword,
    ReadLimits,
    WriteLimits,
    Out512,
    ReadCalibration,
    WriteCalibration,
    WriteSerialNumber,
    ReadEnergy,
    ReadProfile,
    ReadTariffs,
    WriteTariffs,
    Dial,
    HangUp,
    Visit,
};

enum class Status {
    Done,     // everything went as it should
    NoLink,   // a reply was refused, after the retries there were
    Refused,  // an input was refused before anything was sent
    Garbled,  // the meter sent a value that does not convert; error says which
    Absent,   // the meter holds nothing for what was asked
    Failed,   // the archive failed; error holds its text
    Stopped,     // the user stopped it at one of its waits
    PortFailed,  // the port failed under it (the device went away); error holds its text
};

struct Outcome {
    explicit Outcome(Operation what = Operation::Session) : operation(what) {}

    Operation operation;
    Status status = Status::Done;
    QList<Step> steps;     // every exchange, in order
    QStringList messages;  // message boxes, in order
    QString error;         // with Garbled: shown after the messages

    bool ok() const { return status == Status::Done; }
    // Records one exchange and passes its check on.
    Check add(Command command, Check check, uint32_t address = 0) {
        steps << Step{command, check, address};
        return check;
    }
    // Ends as its exchanges did: one refused reply fails it (the exchange result code).
    Outcome& concluded() {
        for (const Step& step : steps)
            if (step.check != Check::Ok) status = Status::NoLink;
        return *this;
    }
    // Refused before anything was sent; the reason goes in a box.
    static Outcome refused(Operation operation, const QString& reason) {
        Outcome outcome(operation);
        outcome.status = Status::Refused;
        outcome.messages << reason;
        return outcome;
    }
    // An operation of one exchange.
    static Outcome single(Operation operation, Command command, Check check) {
        Outcome outcome(operation);
        outcome.add(command, check);
        return outcome.concluded();
    }
};

}  // namespace vilt::link
