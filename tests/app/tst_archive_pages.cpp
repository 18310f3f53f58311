// The energy group, the 12-month page and the profile page as a user works them: reads
// from the virtual meter, what they store, and browsing the archive.

#include <QtCharts>
#include <QtTest>
#include <QtWidgets>

#include "app/string_grid.h"
#include "archive/archive.h"
#include "link/outcome_texts.h"
#include "window_rig.h"

using namespace vilt;

namespace {
constexpr int kMeter = 12345;
}

class TstArchivePages : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;

    app::StringGrid* grid(const char* name) const { return m_rig->find<app::StringGrid>(name); }
    QString edit(const QString& name) const { return m_rig->find<QLineEdit>(name)->text(); }
    // A browse button of its own page: the load-limits dialog has a BitBtn3 too.
    void browse(const char* page, const char* button) const {
        QTest::mouseClick(m_rig->find(page)->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    void readEnergy(bool months) const {
        m_rig->find<QRadioButton>("Fl_ene")->click();
        m_rig->find<QCheckBox>("month_12")->setChecked(months);
        m_rig->click("Read");
    }
    void readProfile(const QDate& day) const {
        m_rig->find<QDateEdit>("Date_sr")->setDate(day);
        m_rig->click("RdSr");
    }
    std::unique_ptr<archive::Archive> archive() const {
        QString error;
        auto opened = archive::Archive::open(m_rig->archivePath(), &error);
        if (!opened) qFatal("%s", qPrintable(error));
        return opened;
    }

  private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start({"--factory", "12345", "--password", "4321", "--model", "7"}, &error),
                 qPrintable(error));
        m_rig->connectAs(1, kMeter);
        QVERIFY(m_rig->shown("Otkl"));
    }
    void cleanup() {
        m_rig.reset();
        QLocale::setDefault(QLocale::system());
    }

    // Each count exactly, the total too; reactive on a model above 6.
    void energyRead() {
        QVERIFY(m_rig->meter().control("set energy active 12345 0 -1 16777205"));
        QVERIFY(m_rig->meter().control("set energy reactive 100 200 300 400"));
        readEnergy(false);
        QCOMPARE(m_rig->shownPanels(), QStringList{"Ok_are"});
        QCOMPARE(edit("EneA_T1"), QStringLiteral("123,45"));
        QCOMPARE(edit("EneA_T2"), QStringLiteral("0"));
        QCOMPARE(edit("EneA_T3"), QStringLiteral("-0,01"));
        QCOMPARE(edit("EneA_S"), QStringLiteral("167895,49"));
        QCOMPARE(edit("EneR_S"), QStringLiteral("10"));
        // A meter that stops answering: the edits go blank and stay so, the red panel shows.
        QVERIFY(m_rig->meter().control("fault 12 silent"));
        readEnergy(false);
        QCOMPARE(edit("EneA_T1"), QString(11, ' '));
        QCOMPARE(m_rig->shownPanels(), QStringList{"Net_cv"});
    }

    // The months go to the grid and the archive; a Read of another group blanks the grid.
    void monthEndReadings() {
        QVERIFY(m_rig->meter().control("set month 3 0 123456 0 0"));
        readEnergy(true);
        auto* months = grid("tabl_12_month");
        QCOMPARE(months->cell(2, 3), QStringLiteral("1234,56"));
        QCOMPARE(months->cell(0, 3), QStringLiteral("Март"));
        QCOMPARE(m_rig->status(0), link::texts::kDataReceived);
        const auto rows = archive()->months(kMeter);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].active[size_t(archive::monthIndex(3, 2))], 1234.56);

        m_rig->find<QRadioButton>("Fl_time")->click();
        m_rig->click("Read");
        QCOMPARE(months->cell(2, 3), QStringLiteral("   "));
        // The stored row comes back with the browse; its reactive columns stay empty.
        browse("TabSheet7", "BitBtn6");
        QCOMPARE(months->cell(2, 3), QStringLiteral("1234,56"));
        QCOMPARE(months->cell(7, 3), QString());
        QCOMPARE(m_rig->status(1), link::texts::kLocalNumber + "12345");
    }

    void profileRead() {
        const QDate day(2026, 3, 5);
        QString words(192, '0');
        words.replace(0, 4, "8000").replace(4, 4, "7FFF").replace(188, 4, "0096");
        QVERIFY(m_rig->meter().control("set profile 2026-03-05 " + words));
        readProfile(day);
        QCOMPARE(m_rig->shownPanels(), QStringList{"Ok_rd_sr30"});
        auto* cut = grid("cutStringGrid");
        QCOMPARE(cut->cell(3, 1), QStringLiteral("0"));
        QCOMPARE(cut->cell(4, 1), QStringLiteral("Срез не целый"));
        QCOMPARE(cut->cell(3, 2), QStringLiteral("327,67"));
        QCOMPARE(cut->cell(4, 2), QStringLiteral("Ок"));
        QCOMPARE(cut->cell(1, 48), QStringLiteral("0:00:00"));
        QCOMPARE(cut->cell(2, 48), QStringLiteral("06.03.2026"));
        QCOMPARE(cut->cell(3, 48), QStringLiteral("1,5"));
        auto* chart = m_rig->find<QChartView>("cutChartView")->chart();
        auto* series = qobject_cast<QLineSeries*>(chart->series().value(0));
        QVERIFY(series && series->objectName() == "Series1");
        QVERIFY(!chart->legend()->isVisible());
        QCOMPARE(series->pen().color(), QColor(Qt::red));
        QCOMPARE(series->count(), 48);
        QCOMPARE(series->at(47), QPointF(47, 1.5));
        QCOMPARE(archive()->profiles(kMeter, day, day).size(), 1);

        // A day the meter holds nothing for: the yellow panel, nothing else changes.
        QVERIFY(m_rig->meter().control("set profile 2026-03-06 none"));
        readProfile(day.addDays(1));
        QCOMPARE(m_rig->shownPanels(), QStringList{"Net_sr"});
        QCOMPARE(cut->cell(3, 2), QStringLiteral("327,67"));
        QCOMPARE(archive()->profiles(std::nullopt, std::nullopt, std::nullopt).size(), 1);
    }

    // Each lost reply costs an attempt of the day's three, not the day.
    void profileReadRetries_data() {
        QTest::addColumn<int>("lost");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("stored");
        QTest::newRow("one lost reply") << 1 << "Ok_rd_sr30" << 1;
        QTest::newRow("three lost replies") << 3 << "Net_cv" << 0;
    }
    void profileReadRetries() {
        QFETCH(int, lost);
        QFETCH(QString, panel);
        QFETCH(int, stored);
        const QDate day(2026, 3, 5);
        QVERIFY(m_rig->meter().control("set profile 2026-03-05 " + QString(192, '0')));
        QVERIFY(m_rig->meter().control(QStringLiteral("fault 18 silent 0 %1").arg(lost)));
        readProfile(day);
        QCOMPARE(m_rig->shownPanels(), QStringList{panel});
        QCOMPARE(archive()->profiles(kMeter, day, day).size(), stored);
    }

    // A file that is not an archive stops the window before it is made, and stays as it was.
    void notAnArchive() {
        QTemporaryDir folder;
        const QString path = folder.filePath("Counter_VILT3.db");
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("just some notes\n");
        text.close();
        QString message;
        try {
            app::TForm1 form(nullptr, path);
        } catch (const std::exception& error) {
            message = QString::fromStdString(error.what());
        }
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), QByteArray("just some notes\n"));
    }

    // Three stored days of two meters: all numbers in stored order, or one number's rows;
    // a stored row leaves the status column as it was.
    void browseProfiles() {
        {
            auto store = archive();
            std::array<double, archive::kSlots> values{};
            values[0] = 1;
            store->storeProfile(QDate(2026, 1, 1), 123, values);
            values[0] = 2;
            store->storeProfile(QDate(2026, 1, 2), 1234, values);
            values[0] = 3;
            store->storeProfile(QDate(2026, 1, 3), 123, values);
        }
        auto* cut = grid("cutStringGrid");
        cut->setCell(4, 1, "keep");
        auto* day = m_rig->find<QDateEdit>("Date_sr");
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            browse("TabSheet6", "BitBtn3");
            seen << day->date().toString("d") + ":" + cut->cell(3, 1);
        }
        QCOMPARE(seen, QStringList({"1:1", "2:2", "3:3", "1:1"}));
        QCOMPARE(cut->cell(4, 1), QStringLiteral("keep"));
        QCOMPARE(m_rig->status(1), link::texts::kLocalNumber + "123");

        auto* numbers = m_rig->find<QComboBox>("ComboBox_Z_N");
        numbers->setEditText("1234");
        browse("TabSheet6", "BitBtn3");
        QCOMPARE(day->date(), QDate(2026, 1, 2));
        numbers->setEditText("0123");
        browse("TabSheet6", "BitBtn4");
        QCOMPARE(day->date(), QDate(2026, 1, 2));  // nothing matches: nothing changes
    }
};

QTEST_MAIN(TstArchivePages)
#include "tst_archive_pages.moc"
