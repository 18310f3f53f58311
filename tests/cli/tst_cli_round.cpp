// vilt-cli through the virtual modem (--dial) and the round of meters from a file.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <memory>

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

// The course of a round from its progress lines: "start K" where meter K's first line was
// printed (its start), "end K" where its last one was (its result, after the modem's).
QStringList progressOf(const QString& err) {
    static const QRegularExpression kPlace(QStringLiteral(R"(^\[(\d+)/\d+\] )"));
    const QStringList lines = err.split('\n');
    QMap<qsizetype, QString> events;  // by line printed
    QSet<QString> started;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto match = kPlace.match(lines[i]);
        if (!match.hasMatch()) continue;
        const QString place = match.captured(1);
        if (!started.contains(place)) {
            started << place;
            events.insert(i, "start " + place);
            continue;
        }
        events.remove(events.key("end " + place, -1));
        events.insert(i, "end " + place);
    }
    return events.values();
}

QStringList resultsOf(const QString& json) {
    QStringList results;
    for (const QJsonValue& meter : QJsonDocument::fromJson(json.toUtf8()).array())
        results << QString::number(meter.toObject().value("line").toInt()) + ' ' +
                       meter.toObject().value("result").toString();
    return results;
}

// vilt-cli running, its standard error read as it comes, so a test can act at a given step.
class LiveCli {
  public:
    explicit LiveCli(const QStringList& arguments) {
        m_cli.setReadChannel(QProcess::StandardError);
        m_cli.start(test::programFromEnv("VILT_CLI"), arguments);
    }
    ~LiveCli() {
        if (m_cli.state() == QProcess::NotRunning) return;
        m_cli.kill();
        m_cli.waitForFinished();
    }
    // Waits for a line of standard error that matches; false when none came in time.
    bool waitFor(const QRegularExpression& pattern) {
        QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            while (m_cli.canReadLine()) {
                const QString line = QString::fromUtf8(m_cli.readLine());
                m_err += line;
                if (pattern.match(line).hasMatch()) return true;
            }
            if (!m_cli.waitForReadyRead(100) && m_cli.state() == QProcess::NotRunning) break;
        }
        return false;
    }
    void interrupt() { ::kill(static_cast<pid_t>(m_cli.processId()), SIGINT); }
    Run finish() {
        Run run;
        if (!m_cli.waitForFinished(120000) || m_cli.exitStatus() != QProcess::NormalExit)
            return run;
        run.exitCode = m_cli.exitCode();
        run.err = m_err + QString::fromUtf8(m_cli.readAllStandardError());
        run.out = QString::fromUtf8(m_cli.readAllStandardOutput());
        return run;
    }

  private:
    QProcess m_cli;
    QString m_err;
};

// A traced request for a month-end reading to the meter with that factory number on the port:
// the visit is past its call and its session, in the readings.
QRegularExpression readingOf(const QString& port, const QString& factory) {
    return QRegularExpression(QStringLiteral(R"(^%1 .* > .* rxd_rd_month @%2 month 2 )")
                                  .arg(QRegularExpression::escape(port), factory));
}

// A modem whose numbers reach two meters, each with its password or none.
QStringList modemWithBook(const QTemporaryDir& dir, const QString& book) {
    return QStringLiteral(
               "--factory 1 --model 7 --password 4321 --modem --dial-delay 50 --guard 300")
               .split(' ') +
           QStringList{"--phonebook", writeFile(dir, "book.txt", book)};
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
            QCOMPARE(lastLine(run.err), QStringLiteral("нет соединения с 123"));
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
        QVERIFY2(meter.value("result").toString().startsWith("энергия: Не прочитаны месяцы: 1, 2"),
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
        QVERIFY(third.value("result").toString().startsWith("сеанс: "));
        QVERIFY(third.value("energy").isNull());

        const QJsonObject fourth = byLine(meters, 6);
        QVERIFY(!fourth.value("ok").toBool());
        QVERIFY(fourth.value("result").toString().contains("not-a-number"));
        QVERIFY2(run.err.contains("round.csv:6: ошибка в строке"), qPrintable(run.err));

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
        // The two ports ran at once: every line whole, tagged with its port.
        const QRegularExpression whole(QStringLiteral(R"(^(%1|%2) +\d+\.\d{3} [<>x] )")
                                           .arg(QRegularExpression::escape(first.slavePath()),
                                                QRegularExpression::escape(second.slavePath())));
        for (const QString& line : text.trimmed().split('\n'))
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }

    // Meters on three ports (one of them twice) run a port each at once: every port's first
    // meter starts before any meter ends, and the port with two visits them one after the
    // other. One line at a time visits port after port, each port's meters in the file's
    // order. Either way the summary keeps the file's order and every progress line names
    // its port.
    void portsAtOnce_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("together");
        QTest::newRow("all ports at once") << QStringList{} << true;
        QTest::newRow("one line") << QStringList{"--lines", "1"} << false;
    }
    void portsAtOnce() {
        QFETCH(QStringList, lines);
        QFETCH(bool, together);
        // A think time that makes a visit last well beyond the start of three threads.
        test::SimProcess a(meterArguments("11111", {"--latency", "60"}));
        test::SimProcess b(meterArguments("22222", {"--latency", "60"}));
        test::SimProcess c(meterArguments("33333", {"--latency", "60"}));
        QVERIFY(startAll({&a, &b, &c}));
        QTemporaryDir dir;
        const QString file = writeFile(
            dir, "round.csv",
            QStringLiteral("%1;;11111;4321;a\n%2;;22222;;b\n%3;;33333;;c\n%1;;11111;;a2\n")
                .arg(a.slavePath(), b.slavePath(), c.slavePath()));
        const Run run =
            runRound(QStringList{"--no-store", "--fast", "--json", "round", file} + lines);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(resultsOf(run.out), (QStringList{"1 успешно", "2 успешно", "3 успешно", "4 успешно"}));
        const QStringList told = progressOf(run.err);
        QCOMPARE(told.size(), 8);
        if (together) {
            QStringList first = told.mid(0, 3);
            first.sort();
            QCOMPARE(first, (QStringList{"start 1", "start 2", "start 3"}));
            const QStringList portA = told.filter(QRegularExpression(" [14]$"));
            QCOMPARE(portA, (QStringList{"start 1", "end 1", "start 4", "end 4"}));
        } else {
            QCOMPARE(told, (QStringList{"start 1", "end 1", "start 4", "end 4", "start 2", "end 2",
                                        "start 3", "end 3"}));
        }
        for (const auto& [place, port] : {std::pair{1, &a}, {2, &b}, {3, &c}, {4, &a}})
            QVERIFY2(
                run.err.contains(
                    QStringLiteral("[%1/4] %2 %3:%1: ").arg(place).arg(port->slavePath(), file)),
                qPrintable(run.err));
    }

    // A port whose device goes away mid-round fails its own meters, the one under way and
    // the one after it; the other port's meter is read as if nothing happened.
    void portLostMidRound() {
        QTemporaryDir dir;
        auto lost =
            std::make_unique<test::SimProcess>(modemWithBook(dir, "5551 11111\n5552 22222\n"));
        test::SimProcess kept(meterArguments("33333"));
        QVERIFY(startAll({lost.get(), &kept}));
        const QString lostPort = lost->slavePath();
        const QString file =
            writeFile(dir, "round.csv",
                      QStringLiteral("%1;5551;11111;;a\n%2;;33333;;kept\n%1;5552;22222;;b\n")
                          .arg(lostPort, kept.slavePath()));
        LiveCli cli(
            {"--no-store", "--fast", "--timeout", "200", "--trace", "--json", "round", file});
        QVERIFY(cli.waitFor(readingOf(lostPort, "11111")));
        lost.reset();  // killed: its pseudo-terminal goes with it
        const Run run = cli.finish();
        QCOMPARE(run.exitCode, 1);
        const QJsonArray meters = QJsonDocument::fromJson(run.out.toUtf8()).array();
        QCOMPARE(meters.size(), 3);
        QVERIFY2(!byLine(meters, 1).value("ok").toBool() && !byLine(meters, 3).value("ok").toBool(),
                 qPrintable(run.out));
        QVERIFY2(byLine(meters, 2).value("ok").toBool(), qPrintable(run.out));
    }

    // One modem reaches two meters by their numbers, one after the other on its port; a
    // number not in its book does not connect.
    void phonebookReachesMeters() {
        QTemporaryDir dir;
        test::SimProcess modem(modemWithBook(dir,
                                             "# phone factory password\n"
                                             "5551 11111 777\n"
                                             "5552\t22222\n"));
        QVERIFY(startAll({&modem}));
        const QString file = writeFile(dir, "round.csv",
                                       QStringLiteral("%1;5551;11111;777;a\n"
                                                      "%1;5552;22222;4321;b\n"
                                                      "%1;5559;33333;;nobody\n")
                                           .arg(modem.slavePath()));
        const Run run =
            runRound({"--no-store", "--fast", "--timeout", "200", "--json", "round", file});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(resultsOf(run.out), (QStringList{"1 успешно", "2 успешно", "3 нет соединения с 5559: Абонент не отвечает!"}));
        QCOMPARE(progressOf(run.err),
                 (QStringList{"start 1", "end 1", "start 2", "end 2", "start 3", "end 3"}));
        QCOMPARE(modem.ask("get dialled"), QStringLiteral("OK 5559"));
        QCOMPARE(modem.ask("get modem"), QStringLiteral("OK command"));
    }

    // Ctrl+C stops the round: the meter under way closes its session and hangs up, the one
    // not begun is left; the summary tells both.
    void interruptHangsUp() {
        QTemporaryDir dir;
        test::SimProcess modem(modemWithBook(dir, "5551 11111\n"));
        QVERIFY(startAll({&modem}));
        const QString file = writeFile(
            dir, "round.csv",
            QStringLiteral("%1;5551;11111;;a\n%1;5551;11111;;b\n").arg(modem.slavePath()));
        LiveCli cli(
            {"--no-store", "--fast", "--timeout", "200", "--trace", "--json", "round", file});
        QVERIFY(cli.waitFor(readingOf(modem.slavePath(), "11111")));
        cli.interrupt();
        const Run run = cli.finish();
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(resultsOf(run.out),
                 (QStringList{"1 Обмен остановлен пользователем", "2 не посещён: обход остановлен"}));
        QCOMPARE(modem.ask("get modem"), QStringLiteral("OK command"));
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
        QVERIFY2(run.err.contains(R"(ошибка в строке: factory number '1\x1b[0m')"),
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
        QTest::newRow("no lines") << QStringList{"round", "FILE", "--lines=0"} << "" << 2
                                  << "bad value for --lines: '0' (ports, 1 … 64)";
        QTest::newRow("more lines than there can be")
            << QStringList{"round", "--lines", "65", "FILE"} << "" << 2 << "bad value for --lines";
        QTest::newRow("trace file that cannot be written")
            << QStringList{"--trace-file", "/nonexistent/trace.txt", "round", "FILE"} << "" << 2
            << "cannot write the trace file '/nonexistent/trace.txt'";
        QTest::newRow("dial with a round")
            << QStringList{"--dial", "123", "round", "FILE"} << "" << 2 << "--dial is for";
        QTest::newRow("every line malformed")
            << QStringList{"round", "FILE"}
            << "Com1;;1\nCom1;8-912;1;;x\nCom1;;1;pass;x\n;;1;;x\nCom1;;99999999;;x\n"
            << 1 << "FILE:5: ошибка в строке";
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
                    run.err.contains(QStringLiteral("%1:%2: ошибка в строке").arg(file).arg(line)));
            QCOMPARE(run.out.trimmed().split('\n').size(), 6);  // the header and five rows
        }
    }
};

QTEST_GUILESS_MAIN(TstCliRound)
#include "tst_cli_round.moc"
