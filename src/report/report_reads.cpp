#include "report/report_reads.h"

#include <QDateTime>

#include "link/outcome_texts.h"
#include "station/visit_result.h"

namespace vilt::report {

ReportData readForReport(station::Station& station, const ReportRequest& request) {
    ReportData data;
    data.factory = request.factory;
    data.identity = request.identity;
    data.station = request.station;
    data.engineer = request.engineer;

    station::Plan plan;
    plan.months = true;
    plan.pauseMs = 0;
    plan.profileDay = request.day;
    plan.archive = request.archive;
    const station::VisitOutcome read = station.readInSession(plan, request.factory);
    data.clock = read.reads.clock;
    data.clockOffset = read.clockOffset;
    data.energy = read.reads.energy;
    data.events = read.reads.events;
    data.profile = read.profile;
    data.readAt = QDateTime::currentDateTime();
    return data;
}

// The readings a report could not give, in the words a visit's result uses.
QStringList reportFailures(const ReportData& data) {
    station::VisitResult result;
    if (data.clock)
        station::addClockFault(result, *data.clock, data.clockOffset);
    else
        result.add(QStringLiteral("clock"), QStringLiteral("часы: не прочитаны"));
    if (data.energy)
        station::addEnergyFaults(result, *data.energy);
    else
        result.add(QStringLiteral("energy"), QStringLiteral("энергия: не прочитана"));
    if (data.events)
        station::addEventsFault(result, *data.events);
    else
        result.add(QStringLiteral("events"), QStringLiteral("события: не прочитаны"));
    if (data.profile) station::addProfileFault(result, *data.profile);
    return result.faultTexts();
}

QStringList storeMessages(const ReportData& data) {
    QStringList messages;
    for (const auto* told : {data.energy ? &data.energy->messages : nullptr,
                             data.profile ? &data.profile->messages : nullptr})
        if (told)
            for (const QString& message : *told) messages << message.trimmed();
    return messages;
}

QString currentUser() {
    for (const char* name : {"USER", "USERNAME", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty()) return user;
    }
    return QString();
}

}  // namespace vilt::report
