// The page «Обход» as a user works it: a round file of virtual meters opened, the round run
// on the page's own thread while the window stays usable, stopped, exported, and what it
// leaves in the window's archive.

#include <QtTest>
#include <QtWidgets>

#include "app/frame/csv_export.h"
#include "app/round/round_page.h"
#include "app/widgets/save_path.h"
#include "archive/archive.h"
#include "archive/shared_round.h"
#include "window_rig.h"

using namespace vilt;

namespace {

constexpr int kRoundMs = 90000;

QStringList meterArguments(const QString& factory, const QStringList& more = {}) {
    return QStringList{"--factory", factory, "--model", "7", "--password", "4321"} + more;
}

}  // namespace

class TstRoundPage : public QObject {
    Q_OBJECT

    std::unique_ptr<test::WindowRig> m_rig;
    QTemporaryDir m_dir;

    QTableWidget* grid() const { return m_rig->find<QTableWidget>("roundGrid"); }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    QString result(int row) const { return cell(row, 4); }
    app::RoundPage& page() const { return m_rig->form().round(); }
    QProgressBar* progress() const { return m_rig->find<QProgressBar>("roundProgress"); }

    // The round file written and opened through «Открыть…».
    void open(const QString& text) {
        const QString path = m_dir.filePath("round.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        app::RoundPage::setOpenPathFunction([path] { return path; });
        m_rig->click("roundOpen");
        app::RoundPage::setOpenPathFunction({});
    }
    // The page shown, the round started with a short wait for each reply.
    void startRound() const {
        m_rig->find<QSpinBox>("wait")->setValue(100);
        auto* pages = m_rig->find<QTabWidget>("pages");
        pages->setCurrentWidget(m_rig->find("roundPage"));
        QVERIFY(m_rig->find("roundStart")->isEnabled());
        m_rig->click("roundStart");
        QVERIFY(page().running());
    }
    // Pictures of the window for the docs, when VILT_ROUND_SHOTS names a folder.
    void shoot(const QString& name) const {
        const QString folder = qEnvironmentVariable("VILT_ROUND_SHOTS");
        if (!folder.isEmpty()) m_rig->form().grab().save(folder + "/" + name + ".png");
    }

    static QList<qint64> visitedFactories(const QString& place) {
        QString error;
        auto archive = archive::Archive::open(place, &error);
        if (!archive) qFatal("%s", qPrintable(error));
        QList<qint64> factories;
        for (const archive::VisitRecord& visit : archive->visits({}, {}, {}))
            factories << visit.factory;
        std::sort(factories.begin(), factories.end());
        return factories;
    }

  private slots:
    void init() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        m_rig = std::make_unique<test::WindowRig>();
        QString error;
        QVERIFY2(m_rig->start(meterArguments("12345"), &error), qPrintable(error));
        m_rig->form().show();
    }
    void cleanup() {
        m_rig.reset();
        app::setSavePathFunction({});
    }

    // Two meters that answer, one silent, one malformed line: four rows, the malformed one
    // failed at once; the three visited as the command line tells them, their visits in the
    // window's archive, the table saved as CSV.
    void roundOfThree() {
        test::SimProcess first(meterArguments("11111", {"--clock", "2021-03-04 05:06:07"}));
        test::SimProcess second(meterArguments("22222"));
        test::SimProcess silent(meterArguments("33333", {"--fault", "all silent"}));
        QString error;
        for (test::SimProcess* sim : {&first, &second, &silent})
            QVERIFY2(sim->start(&error), qPrintable(error));
        open(QStringLiteral("# port;phone;factory;password;label\n"
                            "%1;;11111;;Щит 1\n"
                            "%2;;22222;4321;Щит 2\n"
                            "%3;;33333;;Подвал\n"
                            "%1;;nine;;Плохая\n")
                 .arg(first.slavePath(), second.slavePath(), silent.slavePath()));
        QCOMPARE(grid()->rowCount(), 4);
        QVERIFY2(result(3).startsWith("ошибка в строке: factory number 'nine'"),
                 qPrintable(result(3)));
        QCOMPARE(cell(0, 0), QStringLiteral("Щит 1"));
        QVERIFY(result(0).isEmpty());

        startRound();
        QVERIFY(!m_rig->find("connectionPage")->isEnabled());  // no port opened by the window
        QVERIFY(!m_rig->find("roundStart")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(progress()->value() >= 1, kRoundMs);
        shoot("round-running");
        // Browsing goes on meanwhile: the event loop turns, the pages change.
        auto* pages = m_rig->find<QTabWidget>("pages");
        pages->setCurrentIndex(app::MainWindow::kMonthPage);
        pages->setCurrentWidget(m_rig->find("roundPage"));
        QTRY_VERIFY_WITH_TIMEOUT(!page().running(), kRoundMs);
        shoot("round-done");

        QCOMPARE(progress()->value(), 3);
        QCOMPARE(progress()->maximum(), 3);
        QCOMPARE(result(0), QStringLiteral("успешно"));
        QVERIFY2(cell(0, 3).toLongLong() < -86400, qPrintable(cell(0, 3)));  // its 2021 clock
        QVERIFY2(result(1).startsWith("успешно"), qPrintable(result(1)));
        QVERIFY2(result(2).startsWith("сеанс: "), qPrintable(result(2)));
        QVERIFY(!cell(0, 2).isEmpty());  // energy read
        QVERIFY(cell(2, 2).isEmpty());
        QVERIFY(m_rig->find("connectionPage")->isEnabled());
        QVERIFY(m_rig->find("roundStart")->isEnabled());

        QString openError;
        auto archive = archive::Archive::open(m_rig->archivePath(), &openError);
        QVERIFY2(archive, qPrintable(openError));
        QMap<qint64, QString> visits;
        for (const archive::VisitRecord& visit : archive->visits({}, {}, {})) {
            QCOMPARE(visit.station, archive::defaultStation());
            visits[visit.factory] = visit.result;
        }
        QCOMPARE(visits.keys(), (QList<qint64>{11111, 22222, 33333}));
        QCOMPARE(visits[33333], result(2));

        const QString csv = m_dir.filePath("обход.csv");
        app::setSavePathFunction([csv](const QString&) { return csv; });
        m_rig->click("roundCsv");
        QFile saved(csv);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(saved.readAll()).trimmed().split("\r\n");
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines[0].endsWith("Результат"), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith("2;Щит 1;11111;"), qPrintable(lines[1]));
        QVERIFY2(lines[4].startsWith("5;;;;;ошибка в строке: "), qPrintable(lines[4]));

        // The visits the archive recorded, as a table too.
        const QString visitsCsv = m_dir.filePath("посещения.csv");
        app::setSavePathFunction([visitsCsv](const QString&) { return visitsCsv; });
        m_rig->click("visitsCsv");
        QFile visitsFile(visitsCsv);
        QVERIFY(visitsFile.open(QIODevice::ReadOnly));
        const QStringList visitLines =
            QString::fromUtf8(visitsFile.readAll()).trimmed().split("\r\n");
        QCOMPARE(visitLines.size(), 4);
        QVERIFY2(visitLines[0].contains("Станция"), qPrintable(visitLines[0]));
    }

    // «Стоп» mid-visit: the meter under way ends at its next wait, the one after it on the
    // same port is not visited, and the window is whole again.
    void stopMidRound() {
        const QString port = m_rig->meter().slavePath();
        open(QStringLiteral("%1;;12345;;Первый\n%1;;12345;;Второй\n").arg(port));
        startRound();
        QTRY_COMPARE_WITH_TIMEOUT(result(0), QStringLiteral("…"), kRoundMs);
        m_rig->click("roundStop");
        QTRY_VERIFY_WITH_TIMEOUT(!page().running(), kRoundMs);
        QCOMPARE(progress()->value(), 2);
        QCOMPARE(result(1), QStringLiteral("не посещён: обход остановлен"));
        QVERIFY2(result(0).endsWith("Обмен остановлен пользователем"), qPrintable(result(0)));
        QVERIFY(m_rig->find("connectionPage")->isEnabled());
        // The window's own session works on the port the round let go.
        m_rig->connectAs(1, 12345);
        QVERIFY(m_rig->shown("disconnect"));
    }

    // A window that holds its port starts no round; one that closes mid-round stops it.
    void windowPortAndClose() {
        const QString port = m_rig->meter().slavePath();
        open(QStringLiteral("%1;;12345;;Щит\n").arg(port));
        m_rig->connectAs(1, 12345);
        QVERIFY(m_rig->shown("disconnect"));
        QVERIFY(!m_rig->find("roundStart")->isEnabled());
        m_rig->click("disconnect");
        QVERIFY(m_rig->find("roundStart")->isEnabled());

        startRound();
        QTRY_COMPARE_WITH_TIMEOUT(result(0), QStringLiteral("…"), kRoundMs);
        QVERIFY(m_rig->form().close());
        QVERIFY(!page().running());
    }

    // The shared round from a window whose archive is the test server: the meters this
    // station's direct ports hold are claimed, visited and recorded; with a file archive
    // there is no such button.
    void sharedRound() {
        const QString place = qEnvironmentVariable("VILT_TEST_PG_URL");
        if (place.isEmpty()) QSKIP("no PostgreSQL test server (VILT_TEST_PG_URL)");
        QVERIFY(m_rig->find("roundShared")->isHidden());
        test::SimProcess first(meterArguments("11111"));
        test::SimProcess second(meterArguments("22222"));
        QString error;
        for (test::SimProcess* sim : {&first, &second})
            QVERIFY2(sim->start(&error), qPrintable(error));
        app::MainWindow form(nullptr, place);
        form.show();
        const QList<qint64> before = visitedFactories(place);
        const QString station = archive::defaultStation();
        QCOMPARE(archive::importRound(
                     place, {{2, "Щит 1", 11111, "", "", station, first.slavePath()},
                             {3, "Щит 2", 22222, "4321", "", station, second.slavePath()}}),
                 QString());
        form.findChild<QSpinBox*>("wait")->setValue(100);
        auto* shared = form.findChild<QPushButton*>("roundShared");
        QVERIFY(!shared->isHidden());
        QTest::mouseClick(shared, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.round().running(), kRoundMs);
        auto* table = form.findChild<QTableWidget*>("roundGrid");
        QCOMPARE(table->rowCount(), 2);
        QStringList rows;
        for (int row = 0; row < 2; ++row)
            rows << table->item(row, 1)->text() + " " + table->item(row, 4)->text();
        rows.sort();
        QCOMPARE(rows, (QStringList{"11111 успешно", "22222 успешно"}));
        QCOMPARE(form.findChild<QProgressBar*>("roundProgress")->value(), 2);
        QVERIFY2(m_rig->messages.isEmpty(), qPrintable(m_rig->messages.join('\n')));

        QList<qint64> visited = visitedFactories(place);
        for (const qint64 factory : before) visited.removeOne(factory);  // a server used before
        QCOMPARE(visited, (QList<qint64>{11111, 22222}));
    }
};

QTEST_MAIN(TstRoundPage)
#include "tst_round_page.moc"
