#include "station/meter_result.h"

#include <QDateTime>
#include <QStringList>

#include "link/outcome_texts.h"
#include "ops/readings.h"

namespace vilt::station {

MeterResult malformedResult(const RoundLine& line) {
    MeterResult bad;
    bad.line = line.number;
    const VisitResult said = malformed(line.error);
    bad.result = said.text();
    bad.code = said.code();
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
    result.factory = static_cast<uint32_t>(meter.factory);
    VisitResult said = notVisited();
    if (visit.visit) {
        const std::optional<QString> phone =
            meter.phone.isEmpty() ? std::nullopt : std::optional<QString>(meter.phone);
        said = visitResult(*visit.visit, phone);
        if (const auto& energy = visit.visit->reads.energy; energy && energy->active)
            result.energy = ops::countTotal(*energy->active);
        if (visit.visit->reads.clock) result.offset = visit.visit->clockOffset;
        if (visit.error) said.add(QStringLiteral("error"), visit.error->simplified());
        if (visit.archiveFailure) addArchiveFault(said, *visit.archiveFailure);
        // A record the archive did not take fails the meter: the readings may be stored,
        // but the team's record of who visited what would be wrong.
        if (visit.recordFailure) addArchiveFault(said, *visit.recordFailure);
    }
    result.ok = said.ok();
    result.clockSet = said.clockSet;
    result.result = said.text();
    result.code = said.code();
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
