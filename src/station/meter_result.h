#pragma once
// What a round tells of each meter: its result as one line of text, the energy and the clock
// offset read, and the archive's record of its visit. The command line prints it, the window
// shows it in its grid; both hand it on as the same sheet.

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "archive/visits.h"
#include "station/round.h"
#include "station/round_file.h"
#include "station/visit.h"
#include "station/visit_result.h"

namespace vilt::station {

struct MeterResult {
    int line = 0;
    QString label;
    std::optional<uint32_t> factory;
    bool ok = false;
    QString result;                // the words of visitResult
    std::optional<qint64> energy;  // active total, hundredths of kW*h
    std::optional<qint64> offset;  // meter clock minus this computer's, seconds
    bool clockSet = false;
    QString code;  // the short code of visitResult
};

// A line of the file that could not be understood: a failed meter that was never visited.
MeterResult malformedResult(const RoundLine& line);
// The result of a meter's part in the round: the dial's or the session's failure when there
// was one, else what the readings came to; a port that went away, a call left standing, an
// archive that could not take the readings, a stop.
MeterResult meterResult(const RoundMeter& meter, const MeterVisit& visit);
// A well-formed line of the file as the round visits it.
RoundMeter roundMeter(const RoundLine& line);

// The archive's record of a meter's visit, now that it has ended.
archive::VisitRecord visitRecord(const MeterResult& result, const QString& station);

}  // namespace vilt::station
