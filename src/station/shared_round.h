#pragma once
// The round several stations share through the archive's server (archive/shared_round.h):
// each line of this station (a modem port, which calls any meter with a phone; a direct
// port, which holds this station's meters without one) claims the next meter not yet
// visited, visits it and marks it visited with its result, until none is left for it. Every
// meter is visited once however many stations run; a station that dies gives its meter back.

#include <QList>
#include <QString>
#include <functional>

#include "archive/shared_round.h"
#include "station/round.h"

namespace vilt::station {

struct SharedLine {
    QString port;
    bool modem = true;
};

// A meter this station visited; the watcher's indexes count these in the order they were
// claimed.
struct SharedVisit {
    archive::RoundMeter meter;
    RoundMeter visited;  // as the line visited it: the line's port
    MeterVisit visit;
    // The server did not take the mark of the visit: the meter stays not visited, and why.
    std::optional<QString> markFailure;
};

// What a line tells of a meter's visit for the round's table: whether it succeeded and the
// words of its result.
using SharedResult = std::function<std::pair<bool, QString>(const SharedVisit&)>;

struct SharedRun {
    QString place;    // the archive on the server: the round's meters and the readings
    QString station;  // this station's name, as the round's direct meters name it
    QList<SharedLine> lines;
    SharedResult result;
};

// The lines' visits, in the order the meters were claimed. settings.archive is where the
// readings and the records go (none: nowhere); run.observer is told each meter claimed, then
// sees its visit as runRound's; run.lines is not used (every line runs).
QList<SharedVisit> runSharedRound(const SharedRun& shared, const RoundSettings& settings,
                                  const RoundRun& run);

}  // namespace vilt::station
