// vilt-cli with its archive on a PostgreSQL server: readings stored there and listed back, and
// a server that cannot be used told with its own words and exit 5 before any port is opened.

#include <QtTest>

#include "support/archive_places.h"
#include "support/cli_fixture.h"

using namespace vilt;

namespace {

const QString kDay = QStringLiteral("2010-03-04");

// A port on the loopback where no server listens: the test server's, after a stop, is not
// known here, so the discard port stands for a server that is down.
const QString kDownServer = QStringLiteral("postgresql://vilt@127.0.0.1:9/vilt");

}  // namespace

class TstCliArchiveServer : public QObject, private test::CliFixture {
    Q_OBJECT

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    // Each command that opens the archive, on each way a server cannot be used. The port
    // (here one that does not exist) is never reached: a command that opened it first
    // would end with 2 and name it.
    void unusableServer_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("command");  // FILE: a round file of one meter
        struct Server {
            const char* name;
            QString place, told;
        };
        QList<Server> servers{
            {"server down", kDownServer, "Connection refused"},
            {"password in the address", "postgresql://vilt:x@127.0.0.1/vilt",
             "пароль в адресе не принимается"},
        };
        if (!test::serverUrl().isEmpty())
            servers += {{"wrong database", test::serverWith({}, "nosuchbase"),
                         "database \"nosuchbase\" does not exist"},
                        {"wrong user", test::serverWith("nobody", {}),
                         "password authentication failed for user \"nobody\""}};
        const std::pair<const char*, QStringList> commands[] = {
            {"profile read", {"profile", "read", kDay}},
            {"energy read --months", {"energy", "read", "--months"}},
            {"round", {"round", "FILE"}},
            {"archive months", {"archive", "months"}},
        };
        for (const Server& server : servers)
            for (const auto& [name, command] : commands)
                QTest::addRow("%s, %s", server.name, name)
                    << server.place << server.told << command;
    }
    void unusableServer() {
        QFETCH(QString, place);
        QFETCH(QString, told);
        QFETCH(QStringList, command);
        const QString file = inDir("round.csv");
        {
            QFile round(file);
            QVERIFY(round.open(QIODevice::WriteOnly));
            round.write("/nonexistent/tty;;12345;;Щит\n");
        }
        command.replaceInStrings(QRegularExpression("^FILE$"), file);
        const test::CliRun run = here(QStringList{"--archive", place} + command);
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.err.contains(told), qPrintable(run.err));
        QVERIFY2(!run.err.contains("/nonexistent/tty"), qPrintable(run.err));
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
    }

    // A day read from the meter lands on the server and is listed back from there; the
    // working folder gets no archive file.
    void storesAndListsOnTheServer() {
        if (test::serverUrl().isEmpty()) QSKIP(test::kNoServer);
        test::ArchivePlaces places(test::Engine::Postgres);
        const QString place = places.fresh("cli");
        startMeter({"--clock", "2010-03-05 12:00:00"});
        QVERIFY(m_sim->control("set profile " + kDay + " " + QString(48 * 4, '1')));
        const test::CliRun read = cli({"--archive", place, "profile", "read", kDay});
        QVERIFY2(read.exitCode == 0, qPrintable(read.err));
        const test::CliRun listed = cli({"--archive", place, "--json", "archive", "profiles"});
        QVERIFY2(listed.exitCode == 0, qPrintable(listed.err));
        const QJsonArray days = test::json(listed.out)["days"].toArray();
        QCOMPARE(days.size(), 1);
        QCOMPARE(days[0]["date"].toString(), kDay);
        QCOMPARE(days[0]["factory"].toInteger(), 12345);
        QCOMPARE(places.raw(place)->column("SELECT count(*) FROM srez").value(0).toInt(), 1);
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliArchiveServer)
#include "tst_cli_archive_server.moc"
