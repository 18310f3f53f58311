#include "report/report_reads.h"

#include <QDateTime>

#include "link/outcome_texts.h"
#include "ops/profile_range.h"

namespace vilt::report {

ReportData readForReport(link::Exchange& exchange, const ReportRequest& request) {
    ReportData data;
    data.factory = request.factory;
    data.identity = request.identity;
    data.station = request.station;
    data.engineer = request.engineer;

    ops::ReadInputs inputs;
    const ops::ReadOutcome time = ops::readSelected(exchange, ops::Group::Time, inputs);
    data.clock = time.clock;
    if (data.clock) data.clockOffset = ops::clockOffset(*data.clock, QDateTime::currentDateTime());

    inputs.energy.months = true;
    inputs.energy.archive = request.archive;
    inputs.energy.factory = request.factory;
    if (request.identity) inputs.energy.model = request.identity->model;
    data.energy = ops::readSelected(exchange, ops::Group::Energy, inputs).energy;

    data.events = ops::readSelected(exchange, ops::Group::Event, inputs).events;

    const ops::ProfileRangeOutcome profile =
        ops::readProfileRange(exchange, request.day, request.day, request.factory, request.archive);
    if (!profile.days.isEmpty()) data.profile = profile.days.last();
    data.readAt = QDateTime::currentDateTime();
    return data;
}

QStringList reportFailures(const ReportData& data) {
    QStringList failures;
    if (!data.clock || !data.clockOffset)
        failures << (data.clock ? link::texts::failureLine(QStringLiteral("часы"), *data.clock)
                                : QStringLiteral("часы: не прочитаны"));
    if (!data.energy || !data.energy->active || !data.energy->ok()) {
        if (data.energy && !data.energy->unreadMonths.isEmpty())
            failures << QStringLiteral("энергия: ") +
                            ops::unreadMonthsText(data.energy->unreadMonths);
        else
            failures << (data.energy
                             ? link::texts::failureLine(QStringLiteral("энергия"), *data.energy)
                             : QStringLiteral("энергия: не прочитана"));
    }
    if (!data.events || !data.events->ok())
        failures << (data.events ? link::texts::failureLine(QStringLiteral("события"), *data.events)
                                 : QStringLiteral("события: не прочитаны"));
    if (data.profile && data.profile->status == link::Status::NoLink)
        failures << link::texts::failureLine(QStringLiteral("профиль"), *data.profile);
    return failures;
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
