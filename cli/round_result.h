#pragma once
// What the round tells of each meter: its result as one line of text, the energy and the
// clock offset read; printed as a summary table or as JSON, in the file's order.

#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

#include "archive/visits.h"
#include "cli/round_file.h"
#include "station/round.h"

namespace vilt::cli {

struct MeterResult {
    int line = 0;
    QString label;
    std::optional<uint32_t> factory;
    bool ok = false;
    QString result;
    std::optional<qint64> energy;  // active total, hundredths of kW*h
    std::optional<qint64> offset;  // meter clock minus this computer's, seconds
    bool clockSet = false;
};

// A line of the file that could not be understood: a failed meter that was never visited.
MeterResult malformedResult(const RoundLine& line);
// The result of a meter's part in the round: the dial's or the session's failure when there
// was one, else what the readings came to; a port that went away, a call left standing, an
// archive that could not take the readings, a stop.
MeterResult meterResult(const station::RoundMeter& meter, const station::MeterVisit& visit);
// A well-formed line of the file as the round visits it.
station::RoundMeter roundMeter(const RoundLine& line);

// The archive's record of a meter's visit, now that it has ended.
archive::VisitRecord visitRecord(const MeterResult& result, const QString& station);

void printSummary(const QList<MeterResult>& results);
void printJson(const QList<MeterResult>& results);
void printCsv(const QList<MeterResult>& results);
// The summary as --json, --csv or a table ask.
void printResults(const QList<MeterResult>& results, bool json, bool csv);

}  // namespace vilt::cli
