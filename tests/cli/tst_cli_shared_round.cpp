// The round a team shares on the archive's server (the test server test.sh starts): two
// stations with two virtual modems each take its meters, every meter visited once; a station
// killed mid-round loses none; an import that cannot be used changes nothing.

#include <QtTest>

#include "support/archive_places.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

constexpr int kFirstFactory = 20001;
constexpr int kRoundWaitMs = 1200000;

// A station of the round: vilt-cli round --shared, running until it ends by itself.
class Station {
  public:
    Station(const QString& place, const QString& name, const QStringList& modems) {
        m_process.setProgram(test::programFromEnv("VILT_CLI"));
        m_process.setArguments({"--json", "--fast", "--timeout", "500", "round", "--shared", place,
                                "--station", name, "--modems", modems.join(',')});
        m_process.start();
    }
    ~Station() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    QProcess& process() { return m_process; }
    // The meters it visited, by factory number, from its summary; the exit status. A visit
    // takes some 15 s (the meter is given the wait between month-end reads, here half a
    // second: the sharing is the point, not the pacing), so a station of two lines with 20
    // meters runs for minutes, longer on a loaded machine.
    int finish(QList<qint64>* factories) {
        const bool ended = m_process.waitForFinished(kRoundWaitMs);
        const QByteArray told = m_process.readAllStandardError();
        if (!ended || m_process.exitCode() != 0) qWarning("%s", told.right(4000).constData());
        if (!ended) return -1;
        const QJsonArray summary = QJsonDocument::fromJson(m_process.readAllStandardOutput()).array();
        for (const QJsonValue& meter : summary) *factories << meter["factory"].toInteger();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

  private:
    QProcess m_process;
};

QList<qint64> sorted(QList<qint64> values) {
    std::sort(values.begin(), values.end());
    return values;
}

QList<qint64> numbers(const QVariantList& values) {
    QList<qint64> list;
    for (const QVariant& value : values) list << value.toLongLong();
    return list;
}

}  // namespace

class TstCliSharedRound : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ArchivePlaces> m_places;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<test::SimProcess>> m_modems;
    QString m_place;

    // Modems that each reach every meter of the round by its number 5550000 + n.
    void startModems(int count, int meters) {
        QFile book(m_dir->filePath("book"));
        QVERIFY(book.open(QIODevice::WriteOnly));
        for (int n = 0; n < meters; ++n)
            book.write(QStringLiteral("%1 %2\n").arg(5550000 + n).arg(kFirstFactory + n).toUtf8());
        book.close();
        for (int i = 0; i < count; ++i) {
            m_modems.push_back(std::make_unique<test::SimProcess>(QStringList{
                "--modem", "--phonebook", book.fileName(), "--dial-delay", "50"}));
            QString error;
            QVERIFY2(m_modems.back()->start(&error), qPrintable(error));
        }
    }
    QStringList modems(int first, int count) const {
        QStringList ports;
        for (int i = first; i < first + count; ++i) ports << m_modems[size_t(i)]->slavePath();
        return ports;
    }
    test::CliRun import(const QString& contents) {
        QFile file(m_dir->filePath("round.csv"));
        if (!file.open(QIODevice::WriteOnly)) qFatal("round file");
        file.write(contents.toUtf8());
        file.close();
        return test::runCli({"--archive", m_place, "round", "import", file.fileName()});
    }
    test::CliRun importMeters(int meters) {
        QString contents;
        for (int n = 0; n < meters; ++n)
            contents += QStringLiteral("any;%1;%2;;Дом %3\n")
                            .arg(5550000 + n)
                            .arg(kFirstFactory + n)
                            .arg(n + 1);
        return import(contents);
    }
    QVariantList column(const QString& sql) { return m_places->raw(m_place)->column(sql); }

  private slots:
    void init() {
        if (test::serverUrl().isEmpty()) QSKIP(test::kNoServer);
        m_places = std::make_unique<test::ArchivePlaces>(test::Engine::Postgres);
        m_place = m_places->fresh(QStringLiteral("shared"));
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        m_modems.clear();
        m_places.reset();
    }

    // Two stations of two modems share 40 meters: each visited exactly once, by one of them,
    // with its record and its month-end readings stored.
    void twoStationsShareTheRound() {
        constexpr int kMeters = 40;
        startModems(4, kMeters);
        QCOMPARE(importMeters(kMeters).exitCode, 0);
        Station one(m_place, "one", modems(0, 2)), two(m_place, "two", modems(2, 2));
        QList<qint64> byOne, byTwo;
        QCOMPARE(one.finish(&byOne), 0);
        QCOMPARE(two.finish(&byTwo), 0);
        QVERIFY(!byOne.isEmpty() && !byTwo.isEmpty());
        QList<qint64> expected;
        for (int n = 0; n < kMeters; ++n) expected << kFirstFactory + n;
        QCOMPARE(sorted(byOne + byTwo), expected);
        QCOMPARE(sorted(numbers(column("SELECT Zav_N FROM visits"))), expected);
        QCOMPARE(sorted(numbers(column("SELECT Zav_N FROM \"12_month\" WHERE m1t1 IS NOT NULL"))),
                 expected);
        QCOMPARE(column("SELECT count(*) FROM round_meters WHERE Visited IS NULL OR NOT Ok")
                     .value(0)
                     .toInt(),
                 0);
        QCOMPARE(sorted(numbers(column("SELECT Zav_N FROM round_meters WHERE Visited_by = 'one'"))),
                 sorted(byOne));
    }

    // A station killed in the middle of a visit: its meter is given back and visited by the
    // other station (or by the next run), and every meter ends visited.
    void stationKilledMidRound() {
        constexpr int kMeters = 12;
        startModems(3, kMeters);
        QCOMPARE(importMeters(kMeters).exitCode, 0);
        auto dying = std::make_unique<Station>(m_place, "dying", modems(0, 1));
        int started = 0;
        connect(&dying->process(), &QProcess::readyReadStandardError, this, [&] {
            started += int(dying->process().readAllStandardError().count("…"));
        });
        QTRY_VERIFY_WITH_TIMEOUT(started >= 2, 60000);  // its second meter under way
        Station other(m_place, "other", modems(1, 2));
        dying.reset();  // killed
        QList<qint64> visited;
        QCOMPARE(other.finish(&visited), 0);
        QList<qint64> again;
        QCOMPARE(Station(m_place, "other", modems(1, 2)).finish(&again), 0);
        QCOMPARE(column("SELECT count(*) FROM round_meters WHERE Visited IS NULL").value(0).toInt(),
                 0);
        QCOMPARE(column("SELECT count(*) FROM round_meters WHERE Visited_by = 'dying'")
                         .value(0)
                         .toInt() +
                     int(visited.size() + again.size()),
                 kMeters);
    }

    // A file that cannot be made into the shared round, or an archive that is not on a
    // server: exit 2, and the round on the server stays as it was.
    void importRefused_data() {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<QString>("told");
        QTest::newRow("malformed line") << "any;555;12" << true << "line 1:";
        QTest::newRow("direct meter without its station")
            << "Com1;;12345;;Щит\n" << true << "STATION:PORT";
        QTest::newRow("archive in a file") << "any;555;12345;;Дом\n" << false << "postgresql://";
    }
    void importRefused() {
        QFETCH(QString, contents);
        QFETCH(bool, onServer);
        QFETCH(QString, told);
        QCOMPARE(importMeters(2).exitCode, 0);
        if (!onServer) m_place = m_dir->filePath("archive.db");
        const test::CliRun run = import(contents);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(told), qPrintable(run.err));
        if (onServer) QCOMPARE(column("SELECT count(*) FROM round_meters").value(0).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(TstCliSharedRound)
#include "tst_cli_shared_round.moc"
