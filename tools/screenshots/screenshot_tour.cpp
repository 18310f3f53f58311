#include "screenshot_tour.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "app/service/limits_dialog.h"
#include "app/widgets/save_path.h"
#include "app/tariff/tariff_page.h"
#include "app/main_window.h"
#include "app/traffic/traffic_page.h"

namespace vilt::app {

namespace {

constexpr int kServicePage = 4;

bool save(MainWindow& form, const QString& folder, const QString& name) {
    QApplication::processEvents();
    return form.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// A schedule with day and evening peaks, and three holidays, as an engineer would set them.
bool paintedSchedule(MainWindow& form, QTabWidget& pages, const QString& folder) {
    pages.setCurrentIndex(MainWindow::kTariffPage);
    TariffPage& tariffs = form.tariffPage();
    const auto paint = [&](int tariff, int day, int from, int to) {
        tariffs.selectTariff(tariff);
        for (int hour = from; hour <= to; ++hour) tariffs.hourClicked(day * 24 + hour + 1);
    };
    paint(1, 0, 7, 22);
    paint(2, 0, 8, 10);
    paint(2, 0, 17, 20);
    paint(3, 1, 10, 16);
    paint(1, 2, 9, 21);
    tariffs.selectTariff(2);
    bool ok = save(form, folder, QStringLiteral("tariffs"));
    pages.setCurrentIndex(MainWindow::kSpecialDaysPage);
    auto* calendar = form.findChild<QCalendarWidget*>(QStringLiteral("calendar"));
    auto* add = form.findChild<QPushButton*>(QStringLiteral("addDay"));
    for (const QDate& day : {QDate(2026, 1, 1), QDate(2026, 1, 7), QDate(2026, 5, 9)}) {
        calendar->setCurrentPage(day.year(), day.month());
        calendar->setSelectedDate(day);
        add->click();
    }
    ok = save(form, folder, QStringLiteral("special_days")) && ok;
    return ok;
}

// A meter behind a modem on Com2, when there is one: the call up, then hung up again, then
// the dial-up batch.
bool dialledCall(MainWindow& form, QComboBox& ports, const QString& folder) {
    const int modem = ports.findText(QStringLiteral("Com2"));
    if (modem < 0) return true;
    ports.setCurrentIndex(modem);
    emit ports.activated(modem);
    form.findChild<QLineEdit*>(QStringLiteral("phone"))->setText(QStringLiteral("5551234"));
    form.findChild<QPushButton*>(QStringLiteral("dial"))->click();
    const bool ok = save(form, folder, QStringLiteral("modem"));
    form.findChild<QPushButton*>(QStringLiteral("hangUp"))->click();
    // The batch through the same modem: dial, energy, clock, journals, hang-up.
    form.findChild<QPushButton*>(QStringLiteral("batch"))->click();
    return save(form, folder, QStringLiteral("batch")) && ok;
}

// The visit report of the demo meter, its first page as a picture when poppler's pdftoppm is
// there to draw it.
bool visitReport(MainWindow& form, const QString& folder) {
    const QString pdf = QDir(folder).filePath(QStringLiteral("report.pdf"));
    setSavePathFunction([pdf](const QString&) { return pdf; });
    form.findChild<QAction*>(QStringLiteral("reportSave"))->trigger();
    setSavePathFunction({});
    if (!QFile::exists(pdf)) return false;
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty()) return true;
    return QProcess::execute(pdftoppm, {QStringLiteral("-png"), QStringLiteral("-r"),
                                        QStringLiteral("80"), QStringLiteral("-f"),
                                        QStringLiteral("1"), QStringLiteral("-l"),
                                        QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
                                        QDir(folder).filePath(QStringLiteral("report"))}) == 0;
}

}  // namespace

bool screenshotTour(MainWindow& form, const QString& folder) {
    QDir().mkpath(folder);
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("pages"));
    bool ok = true;
    for (int i = 0; i < pages->count(); ++i) {
        if (!pages->isTabVisible(i)) continue;
        pages->setCurrentIndex(i);
        ok = save(form, folder, QStringLiteral("page%1").arg(i)) && ok;
    }
    ok = paintedSchedule(form, *pages, folder) && ok;
    pages->setCurrentIndex(MainWindow::kConnectionPage);
    auto* ports = form.findChild<QComboBox*>(QStringLiteral("port"));
    ok = dialledCall(form, *ports, folder) && ok;
    if (ports->count() > 0) {
        ports->setCurrentIndex(0);
        emit ports->activated(0);
        // The demo meter, with its password: the strongest session and its longest texts.
        form.findChild<QSpinBox*>(QStringLiteral("factoryNumber"))->setValue(12345);
        form.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("4321"));
        form.findChild<QPushButton*>(QStringLiteral("connect"))->click();
        form.findChild<QPushButton*>(QStringLiteral("read"))->click();  // the meter's clock
        ok = save(form, folder, QStringLiteral("connected")) && ok;
        // Energy with the month-end readings, then the day before's profile.
        form.findChild<QRadioButton*>(QStringLiteral("choiceEnergy"))->click();
        form.findChild<QCheckBox*>(QStringLiteral("withMonths"))->setChecked(true);
        form.findChild<QPushButton*>(QStringLiteral("read"))->click();
        ok = save(form, folder, QStringLiteral("energy")) && ok;
        pages->setCurrentIndex(MainWindow::kMonthPage);
        ok = save(form, folder, QStringLiteral("months")) && ok;
        pages->setCurrentIndex(MainWindow::kProfilePage);
        // The last week's profiles as one range: the list of its days, the last one shown.
        form.findChild<QDateEdit*>(QStringLiteral("profileDay"))
            ->setDate(QDate::currentDate().addDays(-7));
        form.findChild<QDateEdit*>(QStringLiteral("profileDayTo"))
            ->setDate(QDate::currentDate().addDays(-1));
        form.findChild<QPushButton*>(QStringLiteral("readProfile"))->click();
        ok = save(form, folder, QStringLiteral("profile")) && ok;
        pages->setCurrentIndex(MainWindow::kConnectionPage);
        form.findChild<QRadioButton*>(QStringLiteral("choiceEvents"))->click();
        form.findChild<QPushButton*>(QStringLiteral("read"))->click();
        pages->setCurrentIndex(MainWindow::kJournalPage);
        ok = save(form, folder, QStringLiteral("journal")) && ok;
        pages->setCurrentIndex(MainWindow::kConnectionPage);
        ok = visitReport(form, folder) && ok;
        // The limits dialog as it opens, and the service page staff reveal.
        pages->setCurrentIndex(MainWindow::kConnectionPage);
        form.limitsDialog().openLimits();
        form.limitsDialog().show();
        QApplication::processEvents();
        ok =
            form.limitsDialog().grab().save(QDir(folder).filePath(QStringLiteral("limits.png"))) && ok;
        form.limitsDialog().hide();
        // The traffic of the whole tour.
        form.showTraffic(true);
        form.findChild<TrafficPage*>(QStringLiteral("trafficPage"))->flush();
        ok = save(form, folder, QStringLiteral("traffic")) && ok;
        form.showTraffic(false);
        form.revealServicePage();
        pages->setCurrentIndex(kServicePage);
        ok = save(form, folder, QStringLiteral("service")) && ok;
    }
    return ok;
}

}  // namespace vilt::app
