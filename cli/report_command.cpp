// vilt-cli report FILE.pdf [--day DAY]: the readings a visit report needs, stored as every
// read stores them, and the report written as a PDF file.

#include <QDate>

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "report/report_document.h"
#include "report/report_reads.h"

namespace vilt::cli {

namespace {

const QString kDayFlag = QStringLiteral("--day");

struct ReportArguments {
    QString file;
    QDate day;
};

// FILE [--day DAY]; the day is yesterday's by default (today's profile is not whole yet).
std::optional<ReportArguments> parseArguments(const QStringList& arguments, QString* error) {
    ReportArguments parsed{QString(), QDate::currentDate().addDays(-1)};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == kDayFlag) {
            const auto day = i + 1 < arguments.size() ? parseDay(arguments[i + 1]) : std::nullopt;
            if (!day) {
                *error = QStringLiteral("--day takes a day as YYYY-MM-DD in 2000-2099");
                return std::nullopt;
            }
            parsed.day = *day;
            ++i;
        } else if (parsed.file.isEmpty() && !arguments[i].startsWith(QLatin1String("--"))) {
            parsed.file = arguments[i];
        } else {
            *error = QStringLiteral("unknown argument '%1' (report takes FILE.pdf [--day DAY])")
                         .arg(arguments[i]);
            return std::nullopt;
        }
    }
    if (parsed.file.isEmpty()) {
        *error = QStringLiteral("'report' takes the PDF file to write: report FILE.pdf [--day DAY]");
        return std::nullopt;
    }
    return parsed;
}

std::optional<QString> checkReport(const QStringList& arguments) {
    QString error;
    if (!parseArguments(arguments, &error)) return error;
    return std::nullopt;
}

// The report is written whatever was read; what did not come is named in it and on
// standard error, and the exit status says so.
int writeReport(MeterLink& link, const QStringList& arguments, const Options& options) {
    QString error;
    const ReportArguments parsed = *parseArguments(arguments, &error);
    report::ReportRequest request;
    request.factory = link.session().factory;
    request.identity = link.session().identity;
    request.day = parsed.day;
    request.archive = link.archive();
    request.station = options.station;
    request.engineer = report::currentUser();
    const report::ReportData data = report::readForReport(link.station(), request);
    if (const auto failed = report::writeReportPdf(parsed.file, data)) {
        err(*failed);
        return kUsage;
    }
    out(QStringLiteral("Отчёт сохранён: ") + parsed.file);
    // What the archive did not take, then what was not read.
    const QStringList refused = report::storeMessages(data);
    for (const QString& message : refused) err(message);
    const QStringList failures = report::reportFailures(data);
    for (const QString& failure : failures) err(failure);
    if (!failures.isEmpty()) return kNoLink;
    return refused.isEmpty() ? kDone : kArchive;
}

}  // namespace

QList<Command> reportCommands() {
    return {{{"report"}, kAnyArguments, checkReport, writeReport,
             [](const QStringList&) { return true; }}};
}

}  // namespace vilt::cli
