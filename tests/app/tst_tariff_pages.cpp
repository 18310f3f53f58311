// The tariff schedule editor, the special days page and the tariff file as a user works
// them, and the schedule going to the meter and back.

#include <QtTest>
#include <QtWidgets>

#include "app/tariff/special_days_page.h"
#include "app/widgets/string_grid.h"
#include "app/tariff/tariff_page.h"
#include "tariff/tariff_file.h"
#include "window_rig.h"

using namespace vilt;

class TstTariffPages : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;

    app::MainWindow& form() const { return m_rig->form(); }
    QTabWidget* pages() const { return m_rig->find<QTabWidget>("pages"); }
    const tariff::TariffFile& state() const {
        // The window's state as the file it would save.
        static tariff::TariffFile file;
        QTemporaryDir folder;
        const QString path = folder.filePath("state.tar");
        if (!form().tariffPage().saveTo(path)) qFatal("cannot save");
        file = std::get<tariff::TariffFile>(tariff::readTariffFile(path));
        return file;
    }
    bool cellIs(int number, const char* colour) const {
        return m_rig->find<QPushButton>(QStringLiteral("hour%1").arg(number))
            ->styleSheet()
            .contains(QLatin1String(colour));
    }
    QString tariffShown() const { return m_rig->find<QLabel>("currentTariff")->text(); }
    void pressEscape() const {
        form().show();
        QApplication::setActiveWindow(&form());
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QTest::keyClick(&form(), Qt::Key_Escape);
    }
    void addDay(const QDate& day, int type) const {
        auto* calendar = m_rig->find<QCalendarWidget>("calendar");
        calendar->setCurrentPage(day.year(), day.month());
        calendar->setSelectedDate(day);
        m_rig->find<QGroupBox>("dayType")->findChildren<QRadioButton*>()[type]->click();
        m_rig->click("addDay");
    }

  private slots:
    void init() {
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start({"--factory", "12345"}, &error), qPrintable(error));
    }
    void cleanup() { m_rig.reset(); }

    void paintAndChooseTariffs() {
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        m_rig->click("season3");
        m_rig->click("tariff3");  // T3 at once, not through T2
        QCOMPARE(tariffShown(), QStringLiteral("T3"));
        m_rig->click("hour30");
        QVERIFY(cellIs(30, "#ff0000"));
        const auto& schedule = state().schedule;
        QCOMPARE(schedule[2].zones[29], uint8_t{2});  // Saturday, hour 5
        for (size_t n = 0; n < schedule.size(); ++n)
            if (n != 2) QCOMPARE(schedule[n], tariff::defaultSchedule()[n]);

        // Another season repaints every cell and makes T1 active again.
        m_rig->click("tariff4");
        m_rig->click("season4");
        QCOMPARE(tariffShown(), QStringLiteral("T1"));
        QVERIFY(cellIs(30, "#00ff00"));
        QStringList cycle;
        for (int i = 0; i < 4; ++i) {
            m_rig->click("activeTariff");
            cycle << tariffShown();
        }
        QCOMPARE(cycle, QStringList({"T2", "T3", "T4", "T1"}));
    }

    // «Очистить», by click or by Esc, resets all twelve seasons and shows season 1.
    void clearAllSeasons() {
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        m_rig->click("season7");
        m_rig->click("tariff2");
        m_rig->click("hour1");
        m_rig->click("season2");
        m_rig->click("tariff2");
        m_rig->click("hour1");
        pressEscape();
        QCOMPARE(state().schedule, tariff::defaultSchedule());
        QVERIFY(m_rig->find<QRadioButton>("season1")->isChecked());
        QVERIFY(cellIs(1, "#00ff00"));
    }

    void specialDaysList() {
        pages()->setCurrentIndex(app::MainWindow::kSpecialDaysPage);
        auto* add = m_rig->find<QPushButton>("addDay");
        auto* remove = m_rig->find<QPushButton>("deleteDay");
        QVERIFY(!remove->isEnabled());
        for (int i = 0; i < 30; ++i) addDay(QDate(2026, 1, 1).addDays(i), 1);
        QVERIFY(!add->isEnabled());
        auto* grid = m_rig->find<app::StringGrid>("specialDaysGrid");
        QCOMPARE(grid->cell(1, 30), QStringLiteral("30.01"));
        m_rig->click("deleteDay");  // the last one, whatever row is selected
        QVERIFY(add->isEnabled());
        QCOMPARE(grid->cell(1, 30), QStringLiteral(" "));
        QCOMPARE(tariff::specDayListLength(state().days.records), 29);
        addDay(QDate(2026, 12, 25), 0);
        QCOMPARE(grid->cell(1, 30), QStringLiteral("25.12"));
        QCOMPARE(grid->cell(2, 30), QStringLiteral("Рабочий"));
        pressEscape();  // the page's «Очистить»
        QCOMPARE(grid->cell(1, 1), QString());
        QVERIFY(add->isEnabled());
        QVERIFY(!remove->isEnabled());
    }

    // The 31st, then a shorter month: its last day.
    void monthGridKeepsARealDay() {
        pages()->setCurrentIndex(app::MainWindow::kSpecialDaysPage);
        auto* calendar = m_rig->find<QCalendarWidget>("calendar");
        calendar->setSelectedDate(QDate(2026, 1, 31));
        m_rig->find<QGroupBox>("month")->findChildren<QRadioButton*>()[3]->click();  // April
        QCOMPARE(calendar->selectedDate(), QDate(2026, 4, 30));
    }

    // Save and load reproduce schedule, end dates and list; a load replaces the list and
    // shows season 1; a damaged file changes nothing.
    void tariffFile() {
        QTemporaryDir folder;
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        m_rig->click("season2");
        m_rig->click("tariff4");
        m_rig->click("hour25");
        pages()->setCurrentIndex(app::MainWindow::kSpecialDaysPage);
        addDay(QDate(2026, 1, 7), 1);
        const QString path = folder.filePath("a.tar");
        QVERIFY(form().tariffPage().saveTo(path));
        QCOMPARE(QFileInfo(path).size(), 888 + 3);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().at(100), char(3));  // season 2, Saturday hour 0
        const tariff::TariffFile before = state();

        m_rig->find<QPushButton>("clearDays")->click();
        addDay(QDate(2026, 3, 8), 1);
        addDay(QDate(2026, 5, 1), 1);
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        m_rig->click("season7");
        QVERIFY(form().tariffPage().loadFrom(path));
        QCOMPARE(state(), before);
        QVERIFY(m_rig->find<QRadioButton>("season1")->isChecked());
        QCOMPARE(form().tariffPage().currentSeason(), 1);
        pages()->setCurrentIndex(app::MainWindow::kSpecialDaysPage);
        QCOMPARE(m_rig->find<app::StringGrid>("specialDaysGrid")->cell(1, 2), QString());

        const QString damaged = folder.filePath("damaged.tar");
        QFile bad(damaged);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(887, '\0'));
        bad.close();
        QVERIFY(!form().tariffPage().loadFrom(damaged));
        QCOMPARE(m_rig->messages.last(), tariff::kTariffFileDamaged);
        QCOMPARE(state(), before);
    }

    // The schedule and the calendar to the meter and back through the exchange group.
    void toTheMeterAndBack() {
        m_rig->connectAs(1, 12345);
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        m_rig->click("season12");
        m_rig->click("tariff4");
        m_rig->click("hour72");  // Sunday hour 23: the low bits of the last byte
        pages()->setCurrentIndex(app::MainWindow::kSpecialDaysPage);
        addDay(QDate(2026, 1, 7), 1);
        pages()->setCurrentIndex(app::MainWindow::kConnectionPage);
        m_rig->find<QRadioButton>("choiceTariffs")->click();
        m_rig->click("write");
        QCOMPARE(m_rig->shownPanels(), QStringList{"tariffsWritten"});
        QCOMPARE(m_rig->meterState("zones 12"), QString(34, '0') + "03");
        QVERIFY(m_rig->meterState("calendar").startsWith("4107"));

        QVERIFY(m_rig->meter().control("set zones 3 " + QString(36, 'F')));
        m_rig->click("read");
        QCOMPARE(m_rig->shownPanels(), QStringList{"tariffsRead"});
        QCOMPARE(state().schedule[2].zones[0], uint8_t{3});
        QCOMPARE(state().schedule[11].zones[71], uint8_t{3});
    }

    // A read that left seasons out names them and marks them in the editor until read or
    // edited; a write the meter did not confirm names what it did not take.
    void partialReadAndWrite() {
        m_rig->connectAs(1, 12345);
        m_rig->find<QRadioButton>("choiceTariffs")->click();
        QVERIFY(m_rig->meter().control("fault 06 silent"));
        m_rig->click("read");
        QCOMPARE(m_rig->shownPanels(), QStringList{"noLink"});
        QCOMPARE(m_rig->status(0),
                 QStringLiteral("Не прочитаны сезоны: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"));
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        const auto caption = [&](int n) {
            return m_rig->find<QRadioButton>(QStringLiteral("season%1").arg(n))->text();
        };
        QCOMPARE(caption(7), QStringLiteral("Сезон 7") + app::kUnreadMark);
        m_rig->click("season7");
        m_rig->click("hour5");
        QCOMPARE(caption(7), QStringLiteral("Сезон 7"));  // edited: the user's own now
        QCOMPARE(caption(8), QStringLiteral("Сезон 8") + app::kUnreadMark);

        pages()->setCurrentIndex(app::MainWindow::kConnectionPage);
        QVERIFY(m_rig->meter().control("clear"));
        m_rig->click("read");
        QCOMPARE(m_rig->shownPanels(), QStringList{"tariffsRead"});
        pages()->setCurrentIndex(app::MainWindow::kTariffPage);
        QCOMPARE(caption(8), QStringLiteral("Сезон 8"));

        pages()->setCurrentIndex(app::MainWindow::kConnectionPage);
        QVERIFY(m_rig->meter().control("fault 07 silent 0 1"));
        m_rig->click("write");
        QCOMPARE(m_rig->shownPanels(), QStringList{"noLink"});
        QCOMPARE(m_rig->status(0), QStringLiteral("Не записаны сезоны: 1"));
        QVERIFY(m_rig->meter().control("fault 03 silent"));
        m_rig->click("write");
        QCOMPARE(m_rig->status(0), QStringLiteral("Календарь не записан"));
    }
};

QTEST_MAIN(TstTariffPages)
#include "tst_tariff_pages.moc"
