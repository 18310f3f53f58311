// vilt-cli through the virtual modem (--dial) and the round of meters from a file.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "dialup/dial_up.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

using test::runCli;
using Run = test::CliRun;

QStringList meterArguments(const QString& factory, const QStringList& more = {}) {
    return QStringList{"--factory", factory, "--model", "7", "--password", "4321"} + more;
}

// A round takes longer than one command: a dial alone is some seconds of modem set-up.
Run runRound(const QStringList& arguments) {
    return runCli(arguments, {}, 150000);
}

bool startAll(std::initializer_list<test::SimProcess*> sims) {
    for (test::SimProcess* sim : sims) {
        QString error;
        if (!sim->start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
    }
    return true;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QString& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(text.toUtf8());
    return path;
}

QJsonObject byLine(const QJsonArray& meters, int line) {
    for (const QJsonValue& meter : meters)
        if (meter.toObject().value("line").toInt() == line) return meter.toObject();
    return {};
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
                                    << dialup::kNoAnswer << "OK 123";
        QTest::newRow("busy") << QStringList{"--dial-answer", "busy"} << "123" << 1
                              << dialup::kNotConnected.simplified() << "OK 123";
        QTest::newRow("hang-up not confirmed") << QStringList{"--guard", "3000"} << "123" << 6
                                               << dialup::kNotHungUp.simplified() << "OK 123";
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

    // Month-end readings that could not be read fail the meter, and say which.
    void unreadMonthsFailTheMeter() {
        test::SimProcess sim(meterArguments("12345", {"--fault", "16 silent"}));
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QTemporaryDir dir;
        const QString file = writeFile(dir, "round.csv", sim.slavePath() + ";;12345;;Щит\n");
        const Run run = runRound({"--no-store", "--fast", "--json", "round", file});
        QCOMPARE(run.exitCode, 1);
        const QJsonObject meter = byLine(QJsonDocument::fromJson(run.out.toUtf8()).array(), 1);
        QVERIFY(!meter.value("ok").toBool());
        QVERIFY2(meter.value("result").toString().startsWith("energy: Не прочитаны месяцы: 1, 2"),
                 qPrintable(meter.value("result").toString()));
        QVERIFY(!meter.value("energy").isNull());
    }

    // Four meters and a malformed line: one by password on a direct line with its clock far
    // off, one through the modem, one silent. The round goes past the failures, stores the
    // readings of the meters that answered and sets the clock that was off.
    void roundOfMeters() {
        test::SimProcess direct(meterArguments("11111", {"--clock", "2021-03-04 05:06:07"}));
        test::SimProcess dialled(meterArguments("22222", {"--modem", "--dial-delay", "50"}));
        test::SimProcess silent(meterArguments("33333", {"--fault", "all silent"}));
        QVERIFY(startAll({&direct, &dialled, &silent}));
        QVERIFY(direct.control("set energy active 12345 67 0 0"));
        QVERIFY(dialled.control("set energy active 100 200 300 400"));
        QTemporaryDir dir;
        const QString file =
            writeFile(dir, "round.csv",
                      QStringLiteral("# port;phone;factory;password;label\n"
                                     "%1;;11111;4321;ТП-1\n"
                                     "\n"
                                     "%2;5550101;22222;;Дача\n"
                                     "%3;;33333;;Молчун\n"
                                     "%1;;not-a-number;;Кривая\n")
                          .arg(direct.slavePath(), dialled.slavePath(), silent.slavePath()));
        const QString archive = dir.filePath("a.db");
        const Run run = runRound(
            {"--archive", archive, "--fast", "--json", "round", file, "--sync-clock", "60"});
        QCOMPARE(run.exitCode, 1);
        const QJsonArray meters = QJsonDocument::fromJson(run.out.toUtf8()).array();
        QCOMPARE(meters.size(), 4);

        const QJsonObject first = byLine(meters, 2);
        QCOMPARE(first.value("label").toString(), QStringLiteral("ТП-1"));
        QCOMPARE(first.value("factory").toInt(), 11111);
        QVERIFY2(first.value("ok").toBool(), qPrintable(first.value("result").toString()));
        QCOMPARE(first.value("energy").toDouble(), 124.12);
        QVERIFY(first.value("offset").toInteger() < -3600);
        QVERIFY(first.value("clock_set").toBool());
        QVERIFY(direct.ask("get clock")
                    .startsWith("OK " + QString::number(QDate::currentDate().year())));

        const QJsonObject second = byLine(meters, 4);
        QVERIFY2(second.value("ok").toBool(), qPrintable(second.value("result").toString()));
        QCOMPARE(second.value("energy").toDouble(), 10.0);
        QVERIFY(std::abs(second.value("offset").toInteger()) <= 60);
        QVERIFY(!second.value("clock_set").toBool());
        QCOMPARE(dialled.ask("get dialled"), QStringLiteral("OK 5550101"));
        QCOMPARE(dialled.ask("get modem"), QStringLiteral("OK command"));

        const QJsonObject third = byLine(meters, 5);
        QVERIFY(!third.value("ok").toBool());
        QVERIFY(third.value("result").toString().startsWith("session: "));
        QVERIFY(third.value("energy").isNull());

        const QJsonObject fourth = byLine(meters, 6);
        QVERIFY(!fourth.value("ok").toBool());
        QVERIFY(fourth.value("result").toString().contains("not-a-number"));
        QVERIFY2(run.err.contains("round.csv:6: malformed line"), qPrintable(run.err));

        // The month-end readings of the two that answered, none of the silent one.
        for (const auto& [factory, rows] : {std::pair{"11111", 1}, {"22222", 1}, {"33333", 0}}) {
            const Run months =
                runCli({"--archive", archive, "--json", "archive", "months", "--factory", factory});
            QCOMPARE(months.exitCode, 0);
            const QJsonArray stored =
                QJsonDocument::fromJson(months.out.toUtf8()).object().value("rows").toArray();
            QCOMPARE(stored.size(), rows);
        }
    }

    // One trace file for the whole round: the traffic of every meter stays in it.
    void roundTraceKeepsEveryMeter() {
        test::SimProcess first(meterArguments("11111"));
        test::SimProcess second(meterArguments("22222"));
        QVERIFY(startAll({&first, &second}));
        QTemporaryDir dir;
        const QString file = writeFile(dir, "round.csv",
                                       QStringLiteral("%1;;11111;4321;first\n%2;;22222;;second\n")
                                           .arg(first.slavePath(), second.slavePath()));
        const QString trace = dir.filePath("trace.txt");
        const Run run = runRound({"--no-store", "--fast", "--trace-file", trace, "round", file});
        QCOMPARE(run.exitCode, 0);
        QFile written(trace);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(written.readAll());
        QVERIFY2(text.contains("RxdWrPsw @11111") && text.contains("RxdRdInfo @22222"),
                 qPrintable(text));
    }

    // Labels and malformed fields from the file reach the terminal escaped, in the progress
    // lines and in the summary.
    void roundTextEscaped() {
        test::SimProcess meter(meterArguments("11111"));
        QVERIFY(startAll({&meter}));
        QTemporaryDir dir;
        const QString file =
            writeFile(dir, "round.csv",
                      QStringLiteral("%1;;11111;;ТП\x1b[31mx\x07\n%1;;1\x1b[0m;;bad\n")
                          .arg(meter.slavePath()));
        const Run run = runRound({"--no-store", "--fast", "round", file});
        QCOMPARE(run.exitCode, 1);
        for (const QString& printed : {run.out, run.err}) {
            QVERIFY2(!printed.contains(QChar(0x1b)) && !printed.contains(QChar(0x07)),
                     qPrintable(printed));
        }
        QVERIFY2(run.out.contains(R"(ТП\x1b[31mx\x07)"), qPrintable(run.out));
        QVERIFY2(run.out.contains(R"(factory number '1\x1b[0m')"), qPrintable(run.out));
        QVERIFY2(run.err.contains(R"(: ТП\x1b[31mx\x07 (11111) …)"), qPrintable(run.err));
        QVERIFY2(run.err.contains(R"(malformed line: factory number '1\x1b[0m')"),
                 qPrintable(run.err));
    }

    // What is wrong before any meter is asked: the exit status and a clear reason.
    void badRoundInput_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errHas");
        QTest::newRow("no file") << QStringList{"round"} << "" << 2 << "'round' takes";
        QTest::newRow("file missing") << QStringList{"round", "/nonexistent/round.csv"} << "" << 2
                                      << "cannot read the round file";
        QTest::newRow("sync not a number") << QStringList{"round", "FILE", "--sync-clock", "x"}
                                           << "" << 2 << "bad value for --sync-clock";
        QTest::newRow("trace file that cannot be written")
            << QStringList{"--trace-file", "/nonexistent/trace.txt", "round", "FILE"} << "" << 2
            << "cannot write the trace file '/nonexistent/trace.txt'";
        QTest::newRow("dial with a round")
            << QStringList{"--dial", "123", "round", "FILE"} << "" << 2 << "--dial is for";
        QTest::newRow("every line malformed")
            << QStringList{"round", "FILE"}
            << "Com1;;1\nCom1;8-912;1;;x\nCom1;;1;pass;x\n;;1;;x\nCom1;;99999999;;x\n"
            << 1 << "FILE:5: malformed line";
    }
    void badRoundInput() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, text);
        QFETCH(int, exitCode);
        QFETCH(QString, errHas);
        QTemporaryDir dir;
        const QString file = writeFile(dir, "round.csv", text);
        arguments.replaceInStrings("FILE", file);
        const Run run = runCli(QStringList{"--archive", dir.filePath("a.db")} + arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(errHas.replace("FILE", file)), qPrintable(run.err));
        if (exitCode == 1) {  // each line reported and in the summary, none lost
            for (int line = 1; line <= 5; ++line)
                QVERIFY(
                    run.err.contains(QStringLiteral("%1:%2: malformed line").arg(file).arg(line)));
            QCOMPARE(run.out.trimmed().split('\n').size(), 6);  // the header and five rows
        }
    }
};

QTEST_GUILESS_MAIN(TstCliRound)
#include "tst_cli_round.moc"
