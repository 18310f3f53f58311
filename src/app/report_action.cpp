#include "app/report_action.h"

#include <QDir>

#include "app/save_path.h"
#include "app/services.h"
#include "archive/visits.h"
#include "report/report_document.h"
#include "report/report_reads.h"

namespace vilt::app {

void makeReport(Services& services, qint64 factory, const QDate& day, QWidget* parent) {
    const auto& identity = services.station.identity();
    if (!identity) {
        services.presenter.message(QStringLiteral("Сначала установите связь со счетчиком"));
        return;
    }
    const QString path = askSavePath(
        parent, QStringLiteral("Сохранить отчёт"),
        QDir::home().filePath(QStringLiteral("Отчёт %1 %2.pdf")
                                  .arg(factory)
                                  .arg(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")))),
        QStringLiteral("Документ PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    services.presenter.beginOperation();
    report::ReportRequest request;
    request.factory = factory;
    request.identity = identity;
    request.day = day;
    request.archive = &services.archive;
    request.station = archive::defaultStation();
    request.engineer = report::currentUser();
    const report::ReportData data = report::readForReport(services.exchange, request);
    if (const auto failed = report::writeReportPdf(path, data)) {
        services.presenter.message(*failed);
        return;
    }
    services.presenter.setStatus(0, QStringLiteral("Отчёт сохранён: ") + path);
    // What the archive did not take and what was not read are worth a message box.
    QStringList told = report::storeMessages(data);
    const QStringList failures = report::reportFailures(data);
    if (!failures.isEmpty()) told << QStringLiteral("Не прочитано:") << failures;
    if (!told.isEmpty())
        services.presenter.message(QStringLiteral("Отчёт сохранён: ") + path + QLatin1Char('\n') +
                                   told.join(QLatin1Char('\n')));
}

}  // namespace vilt::app
