#pragma once
// A round: a list of meters, each visited once (the call when it has a phone, the session,
// energy with the month-end readings, the clock and the journals, the clock set when it is
// too far off, the hang-up). The meters are grouped by the device their port reaches; each
// port's meters are visited in the list's order, by one station of the port's own on a
// thread of its own, and several ports run at once. A port is never used by two visits at
// once. One result per meter comes back, in the list's order.

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "archive/shared_round.h"
#include "archive/visits.h"
#include "comm/baud_rate.h"
#include "dialup/dial_up.h"
#include "link/exchange.h"
#include "link/traffic_log.h"
#include "station/visit.h"

namespace vilt::station {

class Station;

// A meter of a round, from a round file or claimed from the team's round on the server:
// the one type both rounds visit (archive/shared_round.h).
using RoundMeter = archive::RoundMeter;

// What every meter of a round shares.
struct RoundSettings {
    comm::BaudRate speed = comm::BaudRate::br2400;
    int waitMs = link::Exchange::kDefaultWaitMs;
    bool fast = false;
    std::optional<qint64> syncAbove;  // see Plan
    bool waitGiven = false;           // see Settings
    int pauseMs = 500;                // see Plan
    // Where the energy readings are stored (Archive::open's place); none: not stored. Each
    // thread opens its own connection to it.
    std::optional<QString> archive;
};

// One meter's part of a round.
struct MeterVisit {
    // What the visit came to; none when the round was stopped before the meter's turn.
    std::optional<VisitOutcome> visit;
    // The archive could not be opened on the meter's thread: the meter was read, nothing
    // of it stored, and this says why.
    std::optional<QString> archiveFailure;
    // An error of the core's own broke the visit off (the call was hung up after it).
    std::optional<QString> error;
    // The archive did not take the record of the visit, and why.
    std::optional<QString> recordFailure;
};

// What a round's watcher is told while it runs. The calls come from the stations' threads,
// one at a time: the round holds one lock around every call, so a watcher that only prints
// or records needs no lock of its own, and the lines of two ports never mix. A window must
// not touch its widgets here: it hands the call on to its own thread (a queued signal).
// index: the meter's place in the round's list.
class RoundObserver {
  public:
    virtual ~RoundObserver() = default;
    // A round whose meters are not known beforehand (shared by several stations) tells
    // each meter as a line takes it, before it starts, and a line that could not go on.
    virtual void claimed(qsizetype /*index*/, const RoundMeter&) {}
    virtual void lineFailed(const QString& /*port*/, const QString& /*error*/) {}
    virtual void starting(qsizetype /*index*/) {}
    virtual void dialled(qsizetype /*index*/, const dialup::DialOutcome&) {}
    virtual void hungUp(qsizetype /*index*/, const dialup::DialOutcome&) {}
    virtual void traffic(qsizetype /*index*/, const link::TrafficEntry&) {}
    // Every meter is finished, visited or not (a round stopped before its turn).
    virtual void finished(qsizetype /*index*/, const MeterVisit&) {}
};

// Makes the station of a port on the thread that will use it. By default a station on a
// serial port (Station::onSerialPort).
using StationMaker = std::function<std::unique_ptr<Station>(const QString& port)>;

struct RoundRun {
    // How many ports are visited at once; 0 (or more than there are ports): all at once.
    int lines = 0;
    RoundObserver* observer = nullptr;
    // Set from any thread, it stops the round: the visits under way end at their next wait
    // (the session still closed, the call still hung up), the meters not begun are left.
    const std::atomic<bool>* stop = nullptr;
    StationMaker makeStation;
    // The record of a meter's visit, once it has ended, stored in the archive of the
    // visit's thread (none when the round stores nothing). No function: nothing recorded.
    std::function<archive::VisitRecord(qsizetype index, const MeterVisit&)> visitRecord;
};

// The round over meters; returns when every port is done (a window calls it from a thread
// of its own, so that its event loop keeps running). One result per meter, in order.
QList<MeterVisit> runRound(const QList<RoundMeter>& meters, const RoundSettings& settings,
                           const RoundRun& run = {});

// The ports of a round: the indexes of the meters whose port reaches each device, in the
// list's order, the ports in the order they first appear.
QList<QList<qsizetype>> meterPorts(const QList<RoundMeter>& meters);

}  // namespace vilt::station
