#include "app/frame/report_action.h"

#include <QDir>
#include <QPrintDialog>
#include <QPrinter>

#include "app/widgets/save_path.h"
#include "app/frame/services.h"
#include "archive/visits.h"
#include "report/report_document.h"
#include "report/report_reads.h"

namespace vilt::app {

namespace {

QString reportName(qint64 factory) {
    return QStringLiteral("Отчёт %1 %2")
        .arg(factory)
        .arg(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
}

report::ReportData readReport(Services& services, qint64 factory, const QDate& day) {
    services.presenter.beginOperation();
    report::ReportRequest request;
    request.factory = factory;
    request.identity = services.station.identity();
    request.day = day;
    request.archive = &services.archive;
    request.station = archive::defaultStation();
    request.engineer = report::currentUser();
    return report::readForReport(services.station, request);
}

// Where it went in the status bar; what the archive did not take and what was not read are
// worth a message box.
void tellDone(Services& services, const QString& done, const report::ReportData& data) {
    services.presenter.setStatus(0, done);
    QStringList told = report::storeMessages(data);
    const QStringList failures = report::reportFailures(data);
    if (!failures.isEmpty()) told << QStringLiteral("Не прочитано:") << failures;
    if (!told.isEmpty())
        services.presenter.message(done + QLatin1Char('\n') + told.join(QLatin1Char('\n')));
}

void printReport(Services& services, qint64 factory, const QDate& day, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(reportName(factory));
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const report::ReportData data = readReport(services, factory, day);
    report::paintReport(printer, data);
    tellDone(services, QStringLiteral("Отчёт отправлен на печать"), data);
}

}  // namespace

void makeReport(Services& services, qint64 factory, const QDate& day, ReportTo to,
                QWidget* parent) {
    if (!services.station.identity()) {
        services.presenter.message(QStringLiteral("Сначала установите связь со счетчиком"));
        return;
    }
    if (to == ReportTo::Printer) {
        printReport(services, factory, day, parent);
        return;
    }
    const QString path = askSavePath(parent, QStringLiteral("Сохранить отчёт"),
                                     QDir::home().filePath(reportName(factory) + ".pdf"),
                                     QStringLiteral("Документ PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    const report::ReportData data = readReport(services, factory, day);
    if (const auto failed = report::writeReportPdf(path, data)) {
        services.presenter.message(*failed);
        return;
    }
    tellDone(services, QStringLiteral("Отчёт сохранён: ") + path, data);
}

}  // namespace vilt::app
