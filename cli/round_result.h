#pragma once
// The round's results (station/meter_result.h) printed as a summary table, as JSON or as CSV,
// in the file's order.

#include <QList>
#include <QString>

#include "cli/round_file.h"
#include "station/meter_result.h"

namespace vilt::cli {

using station::malformedResult;
using station::MeterResult;
using station::meterResult;
using station::roundMeter;
using station::visitRecord;

void printSummary(const QList<MeterResult>& results);
void printJson(const QList<MeterResult>& results);
void printCsv(const QList<MeterResult>& results);
// The summary as --json, --csv or a table ask.
void printResults(const QList<MeterResult>& results, bool json, bool csv);

}  // namespace vilt::cli
