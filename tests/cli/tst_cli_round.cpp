// vilt-cli through the virtual modem (--dial) and the round of meters from a file.

#include <QtTest>

#include "link/modem.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

using test::runCli;
using Run = test::CliRun;

QStringList meterArguments(const QString& factory, const QStringList& more = {}) {
    return QStringList{"--factory", factory, "--model", "7", "--password", "4321"} + more;
}

QString lastLine(const QString& text) {
    return text.trimmed().split('\n').last();
}

}  // namespace

class TstCliRound : public QObject {
    Q_OBJECT
  private slots:
    // The call is made before the session and hung up after it, whatever the command came
    // to; a call that does not connect ends the command before any session or hang-up.
    void dial_data() {
        QTest::addColumn<QStringList>("modem");
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errHas");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("connect") << QStringList{} << "89121234567" << 0 << "modem: CONNECT 9600"
                                 << "OK 89121234567";
        QTest::newRow("no carrier") << QStringList{"--dial-answer", "nocarrier"} << "123" << 1
                                    << link::kNoAnswer << "OK 123";
        QTest::newRow("busy") << QStringList{"--dial-answer", "busy"} << "123" << 1
                              << link::kNotConnected.simplified() << "OK 123";
        QTest::newRow("hang-up not confirmed") << QStringList{"--guard", "3000"} << "123" << 6
                                               << link::kNotHungUp.simplified() << "OK 123";
        QTest::newRow("not a number") << QStringList{} << "8-912" << 2 << "bad value for --dial"
                                      << "OK";
    }
    void dial() {
        QFETCH(QStringList, modem);
        QFETCH(QString, number);
        QFETCH(int, exitCode);
        QFETCH(QString, errHas);
        QFETCH(QString, dialled);
        test::SimProcess sim(meterArguments("12345", {"--modem", "--dial-delay", "50"}) + modem);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run run = runCli({"--port", sim.slavePath(), "--speed", "2400", "--mode", "factory",
                                "--factory", "12345", "--dial", number, "identify"});
        QVERIFY2(run.err.contains(errHas), qPrintable(run.err));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(sim.ask("get dialled"), dialled);
        if (exitCode == 0 || exitCode == 6)
            QVERIFY(run.out.contains(QStringLiteral("Заводской номер: 12345")));
        if (exitCode == 0) QCOMPARE(sim.ask("get modem"), QStringLiteral("OK command"));
        if (exitCode == 1) {  // nothing after the failed dial: no session, no hang-up
            QCOMPARE(run.out, QString());
            QCOMPARE(lastLine(run.err), QStringLiteral("no call to 123"));
        }
    }

    // The command failing on the meter's side still hangs up, and keeps its own status.
    void dialHangsUpAfterAFailure() {
        test::SimProcess sim(
            meterArguments("12345", {"--modem", "--dial-delay", "50", "--fault", "all silent"}));
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run run = runCli({"--port", sim.slavePath(), "--mode", "factory", "--factory",
                                "12345", "--fast", "--dial", "5551", "identify"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(sim.ask("get modem"), QStringLiteral("OK command"));
    }
};

QTEST_GUILESS_MAIN(TstCliRound)
#include "tst_cli_round.moc"
