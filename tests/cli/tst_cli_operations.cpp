// The exchange commands of vilt-cli against the virtual meter server: each changes the
// meter's state, and a failed exchange ends with "Нет связи !!!" and exit status 1.

#include <QtTest>

#include "support/cli_fixture.h"

using namespace vilt;

class TstCliOperations : public QObject, private test::CliFixture {
    Q_OBJECT

  private slots:
    void init() {
        makeFolder();
        startMeter({"--password", "4321", "--place", "ТП-15"});
    }
    void cleanup() { clear(); }

    void clockRead() {
        QVERIFY(m_sim->control("set clockbytes 05301403091226"));
        const test::CliRun run = cli({"--json", "clock", "read"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral(R"({"time":"14:30:05","date":"2026-12-09","weekday":3,)"
                                         R"("weekday_name":"Среда","dst":true})"));
    }

    void clockWriteKeepsTheDstPermission() {
        QVERIFY(m_sim->control("set dst 0"));
        QCOMPARE(cli({"clock", "write", "2027-01-01 09:05:07"}).exitCode, 0);
        QVERIFY2(meter("clock").startsWith("2027-01-01 09:05:"), qPrintable(meter("clock")));
        QVERIFY(meter("clock").endsWith(" 5"));  // a Friday
        QCOMPARE(meter("dst").toInt(nullptr, 16), 0);

        // The permission is read as any read is: one lost reply does not fail the command.
        QVERIFY(m_sim->control("fault 0e silent 0 1"));
        const test::CliRun run = cli({"clock", "write", "2027-01-02 10:00:00"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(meter("clock").startsWith("2027-01-02 10:00:"));
        QCOMPARE(meter("dst").toInt(nullptr, 16), 0);
    }

    void clockSyncAndDst() {
        QVERIFY(m_sim->control("set clock 2010-01-01 00:00:00"));
        QCOMPARE(cli({"clock", "sync"}).exitCode, 0);
        QVERIFY(meter("clock").startsWith(QDate::currentDate().toString(Qt::ISODate)));
        QCOMPARE(cli({"dst", "write", "off"}).exitCode, 0);
        QCOMPARE(meter("dst").toInt(nullptr, 16), 0);
        QCOMPARE(cli({"dst", "write", "on"}).exitCode, 0);
        QCOMPARE(meter("dst").toInt(nullptr, 16), 0x77);
    }

    void eventsRead() {
        QVERIFY(m_sim->control("set journal 0 1503100845 0211260710" + QString(80, '0')));
        QVERIFY(m_sim->control("set journal 5 0003100845 1503100845" + QString(80, '0')));
        const test::CliRun run = cli({"--json", "events", "read"});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonArray journals = json["journals"].toArray();
        QCOMPARE(journals.size(), 6);
        QCOMPARE(
            QJsonDocument(journals[0].toArray()).toJson(QJsonDocument::Compact),
            QByteArray(
                R"([{"date":"2010-03-15","time":"08:45"},{"date":"2026-11-02","time":"07:10"}])"));
        QCOMPARE(journals[5].toArray().size(), 0);  // day 0 first: nothing shown
    }

    void placeResetSpeedPassword() {
        QCOMPARE(cli({"place", "write", "ТП-20"}).exitCode, 0);
        QCOMPARE(meter("place"), QStringLiteral("ТП-20"));
        QCOMPARE(cli({"reset"}).exitCode, 0);
        QCOMPARE(meter("resets"), QStringLiteral("1"));
        QCOMPARE(cli({"speed", "write", "9600"}).exitCode, 0);
        QCOMPARE(meter("speed"), QStringLiteral("2"));
        const test::CliRun changed = cli({"password", "write", "777"});
        QCOMPARE(changed.exitCode, 0);
        QCOMPARE(changed.out, QStringLiteral("Смена пароля произошло"));
        QCOMPARE(meter("password"), QStringLiteral("777"));
        const test::CliRun login = cli({"--mode", "password", "--password", "777", "identify"});
        QCOMPARE(login.exitCode, 0);
        QVERIFY(login.out.contains("ТП-20"));
    }

    void failedExchanges_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("err");
        const QString noLink = "Нет связи !!!";
        QTest::newRow("clock read") << "10 crc" << QStringList{"clock", "read"} << noLink;
        QTest::newRow("clock write")
            << "11 ack" << QStringList{"clock", "write", "2027-01-01 09:05:07"} << noLink;
        QTest::newRow("events read") << "14 silent" << QStringList{"events", "read"} << noLink;
        // Late replies are thrown away, never taken for the next journal's.
        QTest::newRow("events read, every reply late")
            << "14 delay 1600" << QStringList{"events", "read"} << noLink;
        QTest::newRow("place write")
            << "19 missing" << QStringList{"place", "write", "A"} << noLink;
        QTest::newRow("reset") << "23 ack" << QStringList{"reset"} << noLink;
        QTest::newRow("speed") << "1d code" << QStringList{"speed", "write", "4800"} << noLink;
        QTest::newRow("password") << "21 ack" << QStringList{"password", "write", "5"}
                                  << "Смена пароля НЕ произошло!!!\nНет связи !!!";
        QTest::newRow("garbled clock")
            << "none" << QStringList{"clock", "read"} << "'24:30:05' is not a valid time";
    }
    void failedExchanges() {
        QFETCH(QString, fault);
        QFETCH(QStringList, command);
        QFETCH(QString, err);
        if (fault != "none") QVERIFY(m_sim->control("fault " + fault));
        QVERIFY(m_sim->control("set clockbytes 05302403091226"));
        const test::CliRun run = cli(command);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, err);
        QCOMPARE(run.out, QString());
    }

    // The meter pulled away while the command waits for a reply: it ends with the reason,
    // with no more attempts on a device that is gone.
    void deviceGoneDuringTheCommand() {
        QVERIFY(m_sim->control("fault 14 delay 5000"));
        const test::CliRun run = test::runCli(
            {"--port", m_sim->slavePath(), "--timeout", "60", "events", "read"}, [this] {
                QTest::qWait(1500);
                m_sim.reset();
            });
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.trimmed(), QStringLiteral("Устройство порта отключено (Error: -1)"));
    }

    void argumentsCheckedBeforeThePort_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("clock text") << QStringList{"clock", "write", "2027-13-01 09:05:07"};
        QTest::newRow("year outside the meter's century")
            << QStringList{"clock", "write", "1999-01-01 00:00:00"};
        QTest::newRow("dst word") << QStringList{"dst", "write", "maybe"};
        QTest::newRow("place too long") << QStringList{"place", "write", "12345678901234567"};
        QTest::newRow("place character") << QStringList{"place", "write", "✓"};
        QTest::newRow("password") << QStringList{"password", "write", "abc"};
        QTest::newRow("speed") << QStringList{"speed", "write", "300"};
        QTest::newRow("missing argument") << QStringList{"place", "write"};
    }
    void argumentsCheckedBeforeThePort() {
        QFETCH(QStringList, command);
        const test::CliRun run = cli(command);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QCOMPARE(meter("place"), QStringLiteral("ТП-15"));
    }
};

QTEST_GUILESS_MAIN(TstCliOperations)
#include "tst_cli_operations.moc"
