// The load-limit and service commands of vilt-cli against the virtual meter server.

#include <QtTest>

#include "support/cli_fixture.h"

using namespace vilt;

class TstCliService : public QObject, private test::CliFixture {
    Q_OBJECT

  private slots:
    void init() {
        makeFolder();
        startMeter();
    }
    void cleanup() { clear(); }

    void limitsReadAndWrite() {
        // Control 0x98, 150 kW, T1 10000 kW*h, T2 0,53, T3 0, T4 1, auxiliary 0x21.
        QVERIFY(
            m_sim->control("set limits 98983A40420F350000000000640000"
                           "21"));
        test::CliRun run = cli({"--json", "limits", "read"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out,
                 QStringLiteral(
                     R"({"power":150,"energy":[10000,0.53,0,1],"flags":"0x98","aux":"0x21"})"));

        // Only what is given changes.
        run = cli({"limits", "write", "--power", "655.35", "--aux", "0x01"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(meter("limits").toUpper(), QStringLiteral("98FFFF40420F35000000000064000001"));
        run = cli({"limits", "write", "--energy", "1,2,3,167772.15", "--flags", "0"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(meter("limits").toUpper(), QStringLiteral("00FFFF640000C800002C0100FFFFFF01"));
    }

    // A limit its wire field cannot carry is refused before the port is touched, with the
    // reason; a third decimal is never cut off.
    void limitsRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("errHas");
        const QString power = "(kW from 0 to 655.35, two decimals at most)";
        const QString energy = "(four kW*h values from 0 to 167772.15, two decimals at most)";
        QTest::newRow("power beyond 655,35") << QStringList{"--power", "655.36"} << power;
        QTest::newRow("power beyond 655,35 by a third decimal")
            << QStringList{"--power", "655.359"} << power;
        QTest::newRow("power below a hundredth") << QStringList{"--power", "0.009"} << power;
        QTest::newRow("negative power") << QStringList{"--power", "-1"} << power;
        QTest::newRow("three tariffs") << QStringList{"--energy", "1,2,3"} << energy;
        QTest::newRow("energy beyond 167772,15")
            << QStringList{"--energy", "1,2,3,167772.16"} << energy;
        QTest::newRow("energy with a third decimal")
            << QStringList{"--energy", "167772.159,1,2,3"} << energy;
        QTest::newRow("flags not hex") << QStringList{"--flags", "0x1G"} << "--flags";
        QTest::newRow("value missing") << QStringList{"--aux"} << "needs a value";
        QTest::newRow("unknown option") << QStringList{"--limit", "5"} << "unknown option";
    }
    void limitsRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, errHas);
        const QString before = meter("limits");
        const test::CliRun run = cli(QStringList{"limits", "write"} + arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(errHas) && !run.err.contains('\n'), qPrintable(run.err));
        QCOMPARE(meter("limits"), before);
    }

    void calibrationSerialAnd512() {
        QVERIFY(m_sim->control("set calibration 25"));
        QCOMPARE(cli({"--json", "calib", "read"}).out, QStringLiteral(R"({"calibration":-5})"));
        QCOMPARE(cli({"calib", "write", "+31"}).exitCode, 0);
        QCOMPARE(meter("calibration").toUpper(), QStringLiteral("1F"));
        QCOMPARE(cli({"calib", "write", "32"}).exitCode, 2);
        QCOMPARE(cli({"serial", "write", "300"}).exitCode, 0);
        QCOMPARE(meter("serial"), QStringLiteral("300"));
        QCOMPARE(cli({"out512"}).exitCode, 0);
        QCOMPARE(meter("out512"), QStringLiteral("1"));
    }

    // A garbled or late reply is asked for again, also the read before a write.
    void readsTriedAgain_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("limits read") << "2b silent 0 1" << QStringList{"limits", "read"};
        QTest::newRow("calibration read") << "27 crc 0 2" << QStringList{"calib", "read"};
        QTest::newRow("read before a limits write")
            << "2b crc 0 2" << QStringList{"limits", "write", "--power", "1"};
    }
    void readsTriedAgain() {
        QFETCH(QString, fault);
        QFETCH(QStringList, command);
        QVERIFY(m_sim->control("fault " + fault));
        const test::CliRun run = cli(command);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
    }

    void failures() {
        QVERIFY(m_sim->control("fault 2b crc"));
        const test::CliRun run = cli({"limits", "read"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("Оганичения не считаны!\nНет связи !!!"));
    }
};

QTEST_GUILESS_MAIN(TstCliService)
#include "tst_cli_service.moc"
