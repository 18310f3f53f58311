// The visit report as a reader gets it: a PDF whose text (read back by pdftotext), pages
// (pdfinfo) and chart image (pdfimages) are checked, not the code that drew them.

#include <QPrinter>
#include <QtGui>
#include <QtTest>

#include "report/profile_chart_image.h"
#include "report/report_document.h"

using namespace vilt;

namespace {

// A tool of poppler-utils on the file; its standard output.
QString poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(tool, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

report::ReportData visit() {
    report::ReportData data;
    data.factory = 12345;
    data.identity = link::Identity{12345, 7, 30109, QStringLiteral("<b>Щит</b> & Co")};
    data.readAt = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));
    data.station = QStringLiteral("ws-1");
    data.engineer = QStringLiteral("ivanov");
    ops::ClockOutcome clock;
    clock.status = link::Status::NoLink;
    data.clock = clock;  // the clock did not answer
    ops::EnergyOutcome energy;
    energy.active = ops::Counts{12345, 1, 0, 2147483647};
    energy.months[2] = ops::Counts{123456, 0, 0, 5};
    data.energy = energy;
    ops::EventsOutcome events;
    ops::Journal on{};
    on[0] = {10, 12, 26, 9, 5};
    events.journals[0] = on;
    data.events = events;
    ops::ProfileOutcome day;
    day.day = QDate(2026, 12, 9);
    day.factory = 12345;
    ops::ProfileWords words{};
    for (size_t k = 0; k < words.size(); ++k) words[k] = uint16_t(10 * k);
    words[5] |= 0x8000;
    day.words = words;
    data.profile = day;
    return data;
}

}  // namespace

class TstReport : public QObject {
    Q_OBJECT

  private slots:
    // Everything the report promises is in the file's text, in Russian with decimal commas;
    // the place of installation stays text; what was not read says so; pages are A4 and
    // numbered; the profile is one image.
    void reportReadBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath("visit.pdf");
        QCOMPARE(report::writeReportPdf(path, visit()), std::nullopt);
        const QString text = poppler("pdftotext", {path, "-"}).simplified();
        for (const char* expected :
             {"Отчёт о посещении счетчика № 12345", "09.01.3", "<b>Щит</b> & Co",
              "10.12.2026 09:30:00", "ws-1", "ivanov", "Часы счетчика Не прочитано",
              "123,45", "21474836,47", "21474959,93", "1234,56", "март", "не прочитано",
              "включение счетчика: 10.12.2026 09:05", "выключение счетчика: не прочитан",
              "Профиль мощности за 09.12.2026", "За сутки: 112,8 кВт·ч; срезов не целых: 1",
              "Страница 1 из 2", "Страница 2 из 2"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)),
                     qPrintable(QString::fromUtf8(expected) + " not in: " + text));
        const QString info = poppler("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression("Pages: +2\\n")), qPrintable(info));
        QVERIFY2(info.contains("(A4)"), qPrintable(info));
        const QStringList images = poppler("pdfimages", {"-list", path}).trimmed().split('\n');
        QCOMPARE(images.size(), 3);  // two heading lines, one image
        QVERIFY2(images[2].contains(QRegularExpression("^ +2 +0 image +2000 +900")),
                 qPrintable(images[2]));
    }

    // A printer gets the same pages (here one that prints into a file, as the system's print
    // dialog offers).
    void printed() {
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("printed.pdf"));
        printer.setPageSize(QPageSize(QPageSize::A4));
        report::paintReport(printer, visit());
        QVERIFY(printer.printerState() != QPrinter::Error);
        const QString text = poppler("pdftotext", {dir.filePath("printed.pdf"), "-"}).simplified();
        QVERIFY2(text.contains("Отчёт о посещении счетчика № 12345") &&
                     text.contains("Страница 2 из 2"),
                 qPrintable(text));
    }

    // A file that cannot be written is told, and nothing is left in its place.
    void unwritable() {
        QTemporaryDir dir;
        const QString path = dir.filePath("missing/visit.pdf");
        const auto error = report::writeReportPdf(path, visit());
        QVERIFY(error && error->startsWith("Не удалось сохранить файл"));
        QVERIFY(!QFile::exists(path));
    }

    void gridSteps_data() {
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("step");
        QTest::newRow("3 kW·h") << 2.53 << 1.0;
        QTest::newRow("small") << 0.07 << 0.02;
        QTest::newRow("the largest slice") << 327.67 << 100.0;
        QTest::newRow("round") << 5.0 << 1.0;
        QTest::newRow("nothing") << 0.0 << 1.0;
    }
    void gridSteps() {
        QFETCH(double, top);
        QFETCH(double, step);
        QCOMPARE(report::gridStep(top), step);
    }

    // The chart marks a slice not recorded whole apart from the others.
    void chartMarksBrokenSlices() {
        ops::ProfileOutcome day = visit().profile.value();
        const QImage image = report::profileChartImage(day, QSize(2000, 900),
                                                       QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(image.size(), QSize(2000, 900));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y) & 0xFFFFFF);
        QVERIFY(colours.contains(0x2f6fb3));  // whole
        QVERIFY(colours.contains(0xe08a1e));  // not whole
    }
};

QTEST_MAIN(TstReport)
#include "tst_report.moc"
