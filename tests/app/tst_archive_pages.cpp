// The energy group, the 12-month page and the profile page as a user works them: reads
// from the virtual meter, what they store, and browsing the archive.

#include <QtCharts>
#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include "app/frame/csv_export.h"
#include "app/widgets/save_path.h"
#include "app/widgets/string_grid.h"
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
        m_rig->find<QRadioButton>("choiceEnergy")->click();
        m_rig->find<QCheckBox>("withMonths")->setChecked(months);
        m_rig->click("read");
    }
    void readProfile(const QDate& day) const {
        m_rig->find<QDateEdit>("profileDay")->setDate(day);
        m_rig->click("readProfile");
    }
    // Every point the chart's line draws, over all its runs.
    QList<QPointF> linePoints() const {
        QList<QPointF> points;
        for (auto* series : chart()->series())
            if (auto* line = qobject_cast<QLineSeries*>(series)) points << line->points();
        return points;
    }
    QChart* chart() const { return m_rig->find<QChartView>("profileChartView")->chart(); }
    QStringList column(int column) const {
        QStringList cells;
        for (int row = 1; row <= 48; ++row) cells << grid("profileGrid")->cell(column, row);
        return cells;
    }
    // A day of 48 slices, 0,01 kW·h each but `value` at slot 0; `partial` not recorded whole.
    bool setDay(const QDate& day, int value, int partial = -1) const {
        QString words;
        for (int k = 0; k < 48; ++k) {
            const int word = (k == 0 ? value : 1) | (k == partial ? 0x8000 : 0);
            words += QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
        }
        return m_rig->meter().control("set profile " + day.toString(Qt::ISODate) + " " + words);
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
        QVERIFY(m_rig->shown("disconnect"));
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
        QCOMPARE(m_rig->shownPanels(), QStringList{"energyRead"});
        QCOMPARE(edit("activeT1"), QStringLiteral("123,45"));
        QCOMPARE(edit("activeT2"), QStringLiteral("0"));
        QCOMPARE(edit("activeT3"), QStringLiteral("-0,01"));
        QCOMPARE(edit("activeTotal"), QStringLiteral("167895,49"));
        QCOMPARE(edit("reactiveTotal"), QStringLiteral("10"));
        // A meter that stops answering: the edits go blank and stay so, the red panel shows.
        QVERIFY(m_rig->meter().control("fault 12 silent"));
        readEnergy(false);
        QCOMPARE(edit("activeT1"), QString(11, ' '));
        QCOMPARE(m_rig->shownPanels(), QStringList{"noLink"});
    }

    // The months go to the grid and the archive; a Read of another group blanks the grid.
    void monthEndReadings() {
        QVERIFY(m_rig->meter().control("set month 3 0 123456 0 0"));
        readEnergy(true);
        auto* months = grid("monthGrid");
        QCOMPARE(months->cell(2, 3), QStringLiteral("1234,56"));
        QCOMPARE(months->cell(0, 3), QStringLiteral("Март"));
        QCOMPARE(m_rig->status(0), link::texts::kDataReceived);
        const auto rows = archive()->months(kMeter);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(*rows[0].active[size_t(archive::monthIndex(3, 2))], 1234.56);

        m_rig->find<QRadioButton>("choiceClock")->click();
        m_rig->click("read");
        QCOMPARE(months->cell(2, 3), QStringLiteral("   "));
        // The stored row comes back with the browse; its reactive columns stay empty.
        browse("monthPage", "nextRecord");
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
        QCOMPARE(m_rig->shownPanels(), QStringList{"profileRead"});
        auto* cut = grid("profileGrid");
        QCOMPARE(cut->cell(3, 1), QStringLiteral("0"));
        QCOMPARE(cut->cell(4, 1), QStringLiteral("Срез не целый"));
        QCOMPARE(cut->cell(3, 2), QStringLiteral("327,67"));
        QCOMPARE(cut->cell(4, 2), QStringLiteral("Ок"));
        QCOMPARE(cut->cell(1, 48), QStringLiteral("0:00:00"));
        QCOMPARE(cut->cell(2, 48), QStringLiteral("06.03.2026"));
        QCOMPARE(cut->cell(3, 48), QStringLiteral("1,5"));
        QCOMPARE(archive()->profiles(kMeter, day, day).size(), 1);

        // The chart: hours 0:30 … 24:00, the first half hour (not whole) shaded, not drawn as 0.
        QVERIFY(!chart()->legend()->isVisible());
        QVERIFY(chart()->title().contains("05.03.2026"));
        QVERIFY(chart()->title().contains("12345"));
        const QList<QPointF> points = linePoints();
        QCOMPARE(points.size(), 47);
        QCOMPARE(points.first(), QPointF(1.0, 327.67));
        QCOMPARE(points.last(), QPointF(24.0, 1.5));
        auto* shade = chart()->findChild<QAreaSeries*>("profileIncomplete");
        QVERIFY(shade);
        QList<double> shaded;  // where the shade stands above the axis
        for (const QPointF& p : shade->upperSeries()->points())
            if (p.y() > 0) shaded << p.x();
        QCOMPARE(shaded, QList<double>({0.0, 0.5}));
        QVERIFY(m_rig->shown("profileIncompleteNote"));
        auto* x = qobject_cast<QValueAxis*>(chart()->axes(Qt::Horizontal).value(0));
        auto* y = qobject_cast<QValueAxis*>(chart()->axes(Qt::Vertical).value(0));
        QCOMPARE(x->max(), 24.0);
        QVERIFY(!x->titleText().isEmpty());
        auto* hours = qobject_cast<QCategoryAxis*>(x);  // labelled as a clock shows the hours
        QVERIFY(hours);
        QCOMPARE(hours->categoriesLabels().first(), QStringLiteral("0:00"));
        QCOMPARE(hours->categoriesLabels().last(), QStringLiteral("24:00"));
        QVERIFY(y->titleText().contains("кВт"));
        QCOMPARE(y->tickInterval(), 100.0);  // gridlines at round values
        QCOMPARE(y->max(), 400.0);
        QVERIFY(chart()->localizeNumbers());
        QCOMPARE(chart()->locale().decimalPoint(), QStringLiteral(","));

        // A day the meter holds nothing for: the yellow panel and nothing of the day before.
        QVERIFY(m_rig->meter().control("set profile 2026-03-06 none"));
        readProfile(day.addDays(1));
        QCOMPARE(m_rig->shownPanels(), QStringList{"noProfile"});
        QCOMPARE(column(3), QStringList(48, QString()));
        QCOMPARE(column(4), QStringList(48, QString()));
        QVERIFY(linePoints().isEmpty());
        QVERIFY(chart()->title().contains("06.03.2026"));
        QVERIFY(!m_rig->shown("profileIncompleteNote"));
        QCOMPARE(archive()->profiles(std::nullopt, std::nullopt, std::nullopt).size(), 1);
    }

    // The status column belongs to the read: a stored day of the archive shows none, and the
    // read's panel goes.
    void browsingAfterARead() {
        QVERIFY(setDay(QDate(2026, 3, 5), 7, 5));
        readProfile(QDate(2026, 3, 5));
        QCOMPARE(grid("profileGrid")->cell(4, 6), QStringLiteral("Срез не целый"));
        {
            std::array<double, link::kProfileSlotCount> values{};
            values[0] = 9;
            archive()->storeProfile(QDate(2026, 3, 9), kMeter, values);
        }
        browse("profilePage", "nextDay");
        QCOMPARE(m_rig->find<QDateEdit>("profileDay")->date(), QDate(2026, 3, 9));
        QCOMPARE(grid("profileGrid")->cell(3, 1), QStringLiteral("9"));
        QCOMPARE(column(4), QStringList(48, QString()));
        QCOMPARE(m_rig->shownPanels(), QStringList{});
        QCOMPARE(linePoints().size(), 48);  // no flags stored: every half hour drawn
    }

    // From a day to a day: each day read and stored, the bar moving per day, the last day with
    // values shown, and any day of the range picked from the list.
    void rangeRead() {
        QVERIFY(setDay(QDate(2026, 3, 5), 500, 5));
        QVERIFY(m_rig->meter().control("set profile 2026-03-06 none"));
        QVERIFY(setDay(QDate(2026, 3, 7), 700));
        QVERIFY(m_rig->meter().control("set profile 2026-03-08 none"));
        auto* progress = m_rig->find<QProgressBar>("profileProgress");
        QList<int> moved;
        connect(progress, &QProgressBar::valueChanged, this, [&](int value) { moved << value; });
        m_rig->find<QDateEdit>("profileDay")->setDate(QDate(2026, 3, 5));
        m_rig->find<QDateEdit>("profileDayTo")->setDate(QDate(2026, 3, 8));
        m_rig->click("readProfile");
        QCOMPARE(moved, QList<int>({1, 2, 3, 4}));
        QCOMPARE(progress->maximum(), 4);
        QCOMPARE(m_rig->shownPanels(), QStringList{"profileRead"});
        QCOMPARE(archive()->profiles(kMeter, std::nullopt, std::nullopt).size(), 2);
        auto* days = m_rig->find<QComboBox>("profileDayCount");
        QCOMPARE(days->count(), 4);
        QCOMPARE(days->currentIndex(), 2);
        QCOMPARE(grid("profileGrid")->cell(3, 1), QStringLiteral("7"));
        QVERIFY(chart()->title().contains("07.03.2026"));

        days->setCurrentIndex(0);
        QCOMPARE(grid("profileGrid")->cell(3, 1), QStringLiteral("5"));
        QCOMPARE(grid("profileGrid")->cell(4, 6), QStringLiteral("Срез не целый"));
        days->setCurrentIndex(1);
        QVERIFY(days->currentText().contains("Срезы отсутствуют!"));
        QCOMPARE(column(3), QStringList(48, QString()));
    }

    // Each page's table saved for a spreadsheet through its button, in the Russian
    // conventions: the counters, the month-end readings, the range read (with the slices'
    // flags), the stored days browsed (from the shown day to the second picker's) and the
    // journals. A file that cannot be written is told and nothing is left behind.
    void csvExports() {
        QTemporaryDir dir;
        QString chosen;
        app::setSavePathFunction([&](const QString& suggested) {
            return chosen.isEmpty() ? QString() : dir.filePath(chosen + "." + QFileInfo(suggested).suffix());
        });
        const auto save = [&](const QString& button, const QString& name) {
            chosen = name;
            m_rig->find<QPushButton>(button)->click();
            QFile file(dir.filePath(name + ".csv"));
            if (!file.open(QIODevice::ReadOnly)) return QStringList{"not saved"};
            const QByteArray bytes = file.readAll();
            if (!bytes.startsWith("\xEF\xBB\xBF")) return QStringList{"no byte-order mark"};
            return QString::fromUtf8(bytes.mid(3)).split("\r\n");
        };
        QVERIFY(m_rig->meter().control("set energy active 12345 0 -1 16777205"));
        QVERIFY(m_rig->meter().control("set month 3 0 123456 0 0"));
        readEnergy(true);
        QCOMPARE(save("energyCsv", "energy").mid(1, 2),
                 QStringList({"Активная, кВт*ч;123,45;0;-0,01;167772,05;167895,49",
                              "Реактивная, квар*ч;3456,78;1234,56;567,89;123,45;5382,68"}));
        QCOMPARE(save("monthCsv", "months")[3], "12345;3;0;1234,56;0;0;;;;");

        QVERIFY(setDay(QDate(2026, 3, 5), 500, 5));
        QVERIFY(setDay(QDate(2026, 3, 6), 600));
        m_rig->find<QDateEdit>("profileDay")->setDate(QDate(2026, 3, 5));
        m_rig->find<QDateEdit>("profileDayTo")->setDate(QDate(2026, 3, 6));
        m_rig->click("readProfile");
        QStringList lines = save("profileCsv", "range");
        QCOMPARE(lines.size(), 1 + 96 + 1);
        QCOMPARE(lines[6], "12345;05.03.2026;5;3:00;05.03.2026;0,01;Срез не целый");
        QCOMPARE(lines[49], "12345;06.03.2026;0;0:30;06.03.2026;6;Ок");

        browse("profilePage", "previousDay");  // the day before the one shown: 05.03.2026
        m_rig->find<QDateEdit>("profileDayTo")->setDate(QDate(2026, 3, 6));
        lines = save("profileCsv", "stored");
        QCOMPARE(lines.size(), 1 + 96 + 1);
        QCOMPARE(lines[0], "Заводской номер;Сутки;№;Время;Дата;А+, кВт*ч");
        QCOMPARE(lines[1], "12345;05.03.2026;0;0:30;05.03.2026;5");

        m_rig->find<QRadioButton>("choiceEvents")->click();
        m_rig->click("read");
        QCOMPARE(save("journalCsv", "events")[0], "Журнал;№;Дата и время");

        m_rig->messages.clear();
        QCOMPARE(save("energyCsv", "missing/folder"), QStringList{"not saved"});
        QCOMPARE(m_rig->messages.size(), 1);
        QVERIFY2(m_rig->messages[0].startsWith("Не удалось сохранить файл"),
                 qPrintable(m_rig->messages[0]));
        chosen.clear();  // the dialog cancelled: nothing asked, nothing told
        m_rig->find<QPushButton>("energyCsv")->click();
        QCOMPARE(m_rig->messages.size(), 1);
        app::setSavePathFunction({});
    }

    // «Отчёт…» reads what the report needs through the session and saves the PDF where the
    // user says, with the profile of the day the profile page names; without a session it
    // asks nothing of the meter and says why.
    void visitReport() {
        QTemporaryDir dir;
        const QString path = dir.filePath("visit.pdf");
        app::setSavePathFunction([&](const QString& suggested) {
            return suggested.endsWith(".pdf") ? path : QString();
        });
        QVERIFY(setDay(QDate(2026, 3, 5), 500, 5));
        m_rig->find<QDateEdit>("profileDay")->setDate(QDate(2026, 3, 5));
        m_rig->messages.clear();
        m_rig->find<QAction>("reportSave")->trigger();
        QCOMPARE(m_rig->messages, QStringList{});
        QCOMPARE(m_rig->status(0), "Отчёт сохранён: " + path);
        QProcess text;
        text.start("pdftotext", {path, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString read = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(read.contains("Профиль мощности за 05.03.2026"), qPrintable(read));
        QVERIFY2(read.contains("срезов не целых: 1"), qPrintable(read));
        QCOMPARE(archive()->profiles(kMeter, QDate(2026, 3, 5), QDate(2026, 3, 5)).size(), 1);

        m_rig->click("disconnect");
        QFile::remove(path);
        m_rig->messages.clear();
        m_rig->find<QAction>("reportPrint")->trigger();  // no print dialog without a session
        QCOMPARE(m_rig->messages, QStringList{"Сначала установите связь со счетчиком"});
        QVERIFY(!QFile::exists(path));
        app::setSavePathFunction({});
    }

    // «Стоп» ends the range at its next wait: the days read so far stay shown and stored.
    void rangeStopped() {
        for (int d = 1; d <= 5; ++d) QVERIFY(setDay(QDate(2026, 4, d), d * 100));
        auto* progress = m_rig->find<QProgressBar>("profileProgress");
        connect(progress, &QProgressBar::valueChanged, this, [this](int value) {
            if (value == 2) m_rig->click("stop");
        });
        m_rig->find<QDateEdit>("profileDay")->setDate(QDate(2026, 4, 1));
        m_rig->find<QDateEdit>("profileDayTo")->setDate(QDate(2026, 4, 5));
        m_rig->click("readProfile");
        QCOMPARE(m_rig->status(0), link::texts::kStopped);
        QCOMPARE(archive()->profiles(kMeter, std::nullopt, std::nullopt).size(), 2);
        QCOMPARE(m_rig->find<QComboBox>("profileDayCount")->count(), 2);
        QCOMPARE(grid("profileGrid")->cell(3, 1), QStringLiteral("2"));
        QVERIFY(m_rig->find("readProfile")->isEnabled());
    }

    // A range that ends before it starts, or longer than a year, is refused before the line.
    void rangeRefused() {
        m_rig->find<QDateEdit>("profileDay")->setDate(QDate(2025, 1, 1));
        m_rig->find<QDateEdit>("profileDayTo")->setDate(QDate(2026, 3, 1));
        m_rig->click("readProfile");
        QCOMPARE(m_rig->messages.size(), 1);
        QVERIFY(m_rig->messages[0].contains("366"));
        QCOMPARE(m_rig->find<QComboBox>("profileDayCount")->count(), 0);
    }

    // Each lost reply costs an attempt of the day's three, not the day.
    void profileReadRetries_data() {
        QTest::addColumn<int>("lost");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("stored");
        QTest::newRow("one lost reply") << 1 << "profileRead" << 1;
        QTest::newRow("three lost replies") << 3 << "noLink" << 0;
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
            app::MainWindow form(nullptr, path);
        } catch (const std::exception& error) {
            message = QString::fromStdString(error.what());
        }
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), QByteArray("just some notes\n"));
    }

    // Stored out of order, browsed by meter, then by day, with a word at either end and for
    // a number with nothing stored; a stored day leaves the status column empty.
    void browseProfiles() {
        {
            auto store = archive();
            std::array<double, link::kProfileSlotCount> values{};
            for (const auto& [day, meter] :
                 {std::pair(3, 123), std::pair(2, 1234), std::pair(1, 123)}) {
                values[0] = day;
                store->storeProfile(QDate(2026, 1, day), meter, values);
            }
        }
        auto* cut = grid("profileGrid");
        auto* note = m_rig->find<QLabel>("profileBrowseNote");
        auto* day = m_rig->find<QDateEdit>("profileDay");
        const auto walk = [&](const char* button, int presses) {
            QStringList seen;
            for (int i = 0; i < presses; ++i) {
                browse("profilePage", button);
                seen << QString::number(m_rig->status(1).endsWith("1234") ? 1234 : 123) + ":" +
                            day->date().toString("d") + ":" + cut->cell(3, 1);
            }
            return seen;
        };
        QCOMPARE(walk("nextDay", 4), QStringList({"123:1:1", "123:3:3", "1234:2:2", "1234:2:2"}));
        QVERIFY(note->text().contains("последний"));
        QCOMPARE(walk("previousDay", 1), QStringList({"123:3:3"}));
        QVERIFY(note->text().isEmpty());
        QCOMPARE(column(4), QStringList(48, QString()));

        auto* numbers = m_rig->find<QComboBox>("storedNumbers");
        numbers->setEditText("123");
        QCOMPARE(walk("previousDay", 2), QStringList({"123:1:1", "123:1:1"}));
        QVERIFY(note->text().contains("первый"));
        numbers->setEditText("1234");
        QCOMPARE(walk("nextDay", 1), QStringList({"1234:2:2"}));
        for (const char* nothing : {"0123", "999", "abc"}) {
            numbers->setEditText(nothing);
            browse("profilePage", "nextDay");
            QCOMPARE(day->date(), QDate(2026, 1, 2));  // nothing matches: nothing changes
            QVERIFY2(note->text().contains(QStringLiteral("нет срезов счетчика № %1").arg(nothing)),
                     qPrintable(note->text()));
        }
        QVERIFY(m_rig->messages.isEmpty());
    }

    // Counts stand to the right, whole, under the meter's number and the read's date; a
    // negative reactive value another program stored keeps its minus.
    void monthCountsWhole() {
        QVERIFY(m_rig->meter().control("set month 3 2147483647 0 0 0"));
        readEnergy(true);
        auto* months = grid("monthGrid");
        const auto whole = [months](int column, int row) {
            const QString text = months->cell(column, row);
            return months->columnWidth(column) >= months->fontMetrics().horizontalAdvance(text) + 8;
        };
        QCOMPARE(months->cell(1, 3), QStringLiteral("21474836,47"));
        QVERIFY(whole(1, 3));
        QVERIFY(months->item(3, 1)->textAlignment() & Qt::AlignRight);
        const QString title = m_rig->find<QLabel>("monthGridTitle")->text();
        QVERIFY2(
            title.contains("12345") && title.contains(QDate::currentDate().toString("dd.MM.yyyy")),
            qPrintable(title));

        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reactive");
            db.setDatabaseName(m_rig->archivePath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("UPDATE \"12_month\" SET rm3t2 = -21474836.47"));
            db.close();
        }
        QSqlDatabase::removeDatabase("reactive");
        browse("monthPage", "nextRecord");
        QCOMPARE(months->cell(7, 3), QStringLiteral("-21474836,47"));
        QVERIFY(whole(7, 3));
        QVERIFY(months->item(3, 7)->textAlignment() & Qt::AlignRight);
    }
};

QTEST_MAIN(TstArchivePages)
#include "tst_archive_pages.moc"
