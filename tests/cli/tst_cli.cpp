// vilt-cli against the virtual meter server: identify in every access mode, and what
// each fault of the meter turns into on standard error and in the exit status.

#include <QtTest>

#include "comm/tcomm.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

using test::runCli;
using Run = test::CliRun;

// A meter with a password and a Cyrillic place, and optional faults from the start.
QStringList meterArguments(const QStringList& faults = {}) {
    QStringList args{"--factory", "12345",   "--model", "7",          "--version",
                     "30109",     "--place", "ТП-15",   "--password", "4321"};
    for (const QString& fault : faults) args << "--fault" << fault;
    return args;
}

// vilt-cli with VILT_PASSWORD as given (unset when null) and input on its standard input.
Run runWithInput(const QStringList& arguments, const QString& variable, const QByteArray& input) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("VILT_PASSWORD");
    if (!variable.isNull()) environment.insert("VILT_PASSWORD", variable);
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(test::programFromEnv("VILT_CLI"), arguments);
    cli.write(input);
    cli.closeWriteChannel();
    Run run;
    if (!cli.waitForFinished(test::kCliFinishMs)) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

}  // namespace

class TstCli : public QObject {
    Q_OBJECT
  private slots:
    void identify_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("local") << QStringList{"--mode", "local"};
        QTest::newRow("by factory number")
            << QStringList{"--mode", "factory", "--factory", "12345"};
        QTest::newRow("with password")
            << QStringList{"--mode", "password", "--factory", "12345", "--password", "4321"};
    }
    void identify() {
        QFETCH(QStringList, options);
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run run = runCli(QStringList{"--port", sim.slavePath(), "--json"} + options +
                               QStringList{"identify"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(
            run.out.trimmed(),
            QStringLiteral(R"({"factory":12345,"model":7,"version":"09.01.3","place":"ТП-15"})"));
    }

    void identifyAsText() {
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run run = runCli({"--port", sim.slavePath(), "--speed", "9600", "identify"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("Заводской номер: 12345\nМодель: 7\nВерсия ПО: 09.01.3\n"
                                         "Место уст.: ТП-15\n"));
    }

    // The meter's place reaches the terminal with its control characters escaped; JSON
    // escapes them its own way.
    void placeWithControlCharacters() {
        test::SimProcess sim({"--factory", "12345", "--place", "\x1b[2JТП\x07"});
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run text = runCli({"--port", sim.slavePath(), "identify"});
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.out.endsWith("Место уст.: \\x1b[2JТП\\x07\n"), qPrintable(text.out));
        const Run json = runCli({"--port", sim.slavePath(), "--json", "identify"});
        QVERIFY2(json.out.contains("\"place\":\"\\u001b[2JТП\\u0007\""), qPrintable(json.out));
    }

    // Each fault through the full cycle and through the fast exchange: the fast one refuses
    // whatever the full cycle refuses, with the same text. The reply wait bounds it, so a
    // reply later than the wait is refused by it alone.
    void faults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString count = "     Нет связи       (принято не то количество байт)";
        const QString refused = "     Нет связи       (ПАРОЛЬ НЕ СОВПАЛ!)";
        QTest::newRow("silent") << "all silent"
                                << "factory" << 1 << count;
        QTest::newRow("wrong CRC") << "all crc"
                                   << "factory" << 1 << "     Нет связи       (не совпа СRC)";
        QTest::newRow("wrong code") << "all code"
                                    << "local" << 1 << "     Нет связи       (не правильный ответ)";
        QTest::newRow("one byte more") << "all extra"
                                       << "factory" << 1 << count;
        QTest::newRow("one byte less") << "all missing"
                                       << "local" << 1 << count;
        QTest::newRow("split") << "all split 600"
                               << "factory" << 1 << count;
        QTest::newRow("delayed within the read") << "all delay 400"
                                                 << "factory" << 0 << "";
        QTest::newRow("delayed within the wait") << "all delay 20"
                                                << "factory" << 0 << "";
        QTest::newRow("wrong acknowledgement") << "20 ack"
                                               << "password" << 1 << refused;
        QTest::newRow("password refused") << "20 password"
                                          << "password" << 1 << refused;
        // A failed login response ends the attempts; the status keeps its cause.
        QTest::newRow("garbled login reply")
            << "20 crc"
            << "password" << 1 << "     Нет связи       (не совпа СRC)";
        QTest::newRow("login reply with another code")
            << "20 code"
            << "password" << 1 << "     Нет связи       (не правильный ответ)";
        QTest::newRow("first identity lost, login on the second attempt") << "25 silent 0 1"
                                                                          << "password" << 0 << "";
        QTest::newRow("silent once") << "25 silent 0 1"
                                     << "factory" << 0 << "";
    }
    void faults() {
        QFETCH(QString, fault);
        QFETCH(QString, mode);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        for (const bool fast : {false, true}) {
            test::SimProcess sim(meterArguments({fault}));
            QString error;
            QVERIFY2(sim.start(&error), qPrintable(error));
            QStringList arguments{"--port",  sim.slavePath(), "--timeout", "50",         "--mode",
                                  mode,      "--factory",     "12345",     "--password", "4321",
                                  "identify"};
            if (fast) arguments.prepend("--fast");
            const Run run = runCli(arguments);
            if (fast && QTest::currentDataTag() == QLatin1String("delayed within the read")) {
                QCOMPARE(run.exitCode, 1);
                QCOMPARE(run.err.trimmed(),
                         QStringLiteral("Нет связи       (принято не то количество байт)"));
                continue;
            }
            QCOMPARE(run.exitCode, exitCode);
            QCOMPARE(run.err.trimmed(), err.trimmed());
            QCOMPARE(run.err.isEmpty(), exitCode == 0);
            if (!err.isEmpty()) QCOMPARE(run.err, err + "\n");  // leading spaces kept
        }
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("err");
        // A port that would not open: the fixed text, then the reason in plain words.
        QTest::newRow("port that cannot be opened")
            << QStringList{"--port", "/nonexistent/tty", "identify"}
            << "Ошибка открытия порта. Устройство /nonexistent/tty не найдено: проверьте, что "
               "адаптер подключён и порт выбран верно.\n";
        QTest::newRow("unmapped port name")
            << QStringList{"--port", "Com12", "identify"}
            << "Ошибка открытия порта. Устройство Com12 не найдено: проверьте, что адаптер "
               "подключён и порт выбран верно.\n";
        QTest::newRow("bad speed") << QStringList{"--speed", "300", "identify"} << "--speed";
        QTest::newRow("bad mode") << QStringList{"--mode", "remote", "identify"} << "--mode";
        QTest::newRow("factory too large")
            << QStringList{"--factory", "16777216", "identify"} << "--factory";
        QTest::newRow("password not a number")
            << QStringList{"--mode", "password", "--password", "12a4", "identify"} << "--password";
        QTest::newRow("password missing")
            << QStringList{"--mode", "password", "identify"} << "--password";
        // Every number is read the same strict way: digits, a minus only where it means something.
        QTest::newRow("timeout with a blank")
            << QStringList{"--timeout", " 50", "identify"} << "--timeout";
        QTest::newRow("timeout minus zero")
            << QStringList{"--timeout", "-0", "identify"} << "--timeout";
        QTest::newRow("factory with a plus")
            << QStringList{"--factory", "+5", "identify"} << "--factory";
        QTest::newRow("factory with a newline")
            << QStringList{"--factory", "5\n", "identify"} << "--factory";
        QTest::newRow("password with a blank")
            << QStringList{"--mode", "password", "--password", " 5", "identify"} << "--password";
        QTest::newRow("new password with a blank")
            << QStringList{"password", "write", " 5"} << "whole number";
        QTest::newRow("speed with a blank")
            << QStringList{"--speed", " 2400", "identify"} << "--speed";
        QTest::newRow("speed write with a plus")
            << QStringList{"speed", "write", "+9600"} << "2400, 4800 or 9600";
        QTest::newRow("value missing at the end")
            << QStringList{"--port"} << "option --port needs a value";
        QTest::newRow("value missing before another option")
            << QStringList{"--port", "--json", "identify"} << "option --port needs a value";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
        QTest::newRow("no command") << QStringList{"--json"} << "no command";
    }
    void usageErrors() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, err);
        QTemporaryDir data;  // no port map, so Com12 leads nowhere
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    // A mistyped password is refused without a trace of it, in either form of the option.
    void passwordNeverEchoed_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("separate value") << QStringList{"--password", "x987654321"};
        QTest::newRow("after =") << QStringList{"--password=987654321x"};
        QTest::newRow("with a blank") << QStringList{"--password", "987654321 "};
    }
    void passwordNeverEchoed() {
        QFETCH(QStringList, arguments);
        const Run run =
            runCli(QStringList{"--mode", "password"} + arguments + QStringList{"identify"});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("vilt-cli: bad value for --password: not a whole number\n"),
                 qPrintable(run.err));
        QVERIFY(!run.err.contains("987654321"));
    }

    // The password from a file, the environment or standard input reaches the meter's login
    // (a wrong one is refused by the meter); a source that cannot be read or holds no whole
    // number is a usage error that names the source and never shows what it held.
    void passwordSources_data() {
        QTest::addColumn<QStringList>("options");  // FILE: the password file
        QTest::addColumn<QByteArray>("file");      // null: no file made
        QTest::addColumn<QString>("variable");     // VILT_PASSWORD; null: unset
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString none;
        const QString refused = "ПАРОЛЬ НЕ СОВПАЛ";
        QTest::newRow("file") << QStringList{"--password-file", "FILE"} << QByteArray("4321\n")
                              << none << QByteArray() << 0 << "";
        QTest::newRow("file: the first line, a Windows line end")
            << QStringList{"--password-file", "FILE"} << QByteArray("4321\r\n9999\n") << none
            << QByteArray() << 0 << "";
        QTest::newRow("file without a line end")
            << QStringList{"--password-file=FILE"} << QByteArray("4321") << none << QByteArray()
            << 0 << "";
        QTest::newRow("file with a wrong password")
            << QStringList{"--password-file", "FILE"} << QByteArray("1111\n") << none
            << QByteArray() << 1 << refused;
        QTest::newRow("environment")
            << QStringList() << QByteArray() << "4321" << QByteArray() << 0 << "";
        QTest::newRow("environment with a wrong password")
            << QStringList() << QByteArray() << "1111" << QByteArray() << 1 << refused;
        QTest::newRow("the option before the environment")
            << QStringList{"--password", "4321"} << QByteArray() << "1111" << QByteArray() << 0
            << "";
        QTest::newRow("the file before the environment")
            << QStringList{"--password-file", "FILE"} << QByteArray("4321\n") << "1111"
            << QByteArray() << 0 << "";
        QTest::newRow("standard input") << QStringList{"--password", "-"} << QByteArray() << none
                                        << QByteArray("4321\n") << 0 << "";
        QTest::newRow("standard input with a wrong password")
            << QStringList{"--password", "-"} << QByteArray() << none << QByteArray("1111\n") << 1
            << refused;
        QTest::newRow("both options")
            << QStringList{"--password", "4321", "--password-file", "FILE"} << QByteArray("4321\n")
            << none << QByteArray() << 2 << "give --password or --password-file, not both";
        QTest::newRow("missing file")
            << QStringList{"--password-file", "FILE"} << QByteArray() << none << QByteArray() << 2
            << "cannot read the password file 'FILE'";
        QTest::newRow("file holding no number")
            << QStringList{"--password-file", "FILE"} << QByteArray("x987654321\n") << none
            << QByteArray() << 2 << "bad password file 'FILE'";
        QTest::newRow("empty file") << QStringList{"--password-file", "FILE"} << QByteArray("")
                                    << none << QByteArray() << 2 << "bad password file 'FILE'";
        QTest::newRow("file: a blank before the number")
            << QStringList{"--password-file", "FILE"} << QByteArray(" 987654321\n") << none
            << QByteArray() << 2 << "bad password file 'FILE'";
        QTest::newRow("environment holding no number")
            << QStringList() << QByteArray() << "987654321x" << QByteArray() << 2
            << "bad value in VILT_PASSWORD";
        QTest::newRow("nothing on standard input")
            << QStringList{"--password", "-"} << QByteArray() << none << QByteArray() << 2
            << "standard input is not a whole number";
        QTest::newRow("standard input holding no number")
            << QStringList{"--password", "-"} << QByteArray() << none << QByteArray("987654321 \n")
            << 2 << "standard input is not a whole number";
        QTest::newRow("no source at all") << QStringList() << QByteArray() << none << QByteArray()
                                          << 2 << "--mode password needs a password";
    }
    void passwordSources() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, file);
        QFETCH(QString, variable);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QTemporaryDir folder;
        const QString path = folder.filePath("password");
        if (!file.isNull()) {
            QFile made(path);
            QVERIFY(made.open(QIODevice::WriteOnly));
            made.write(file);
        }
        options.replaceInStrings("FILE", path);
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(exitCode == 2 || sim.start(&error), qPrintable(error));
        const QString port = exitCode == 2 ? QStringLiteral("/nonexistent/tty") : sim.slavePath();
        const Run run = runWithInput(
            QStringList{"--port", port, "--mode", "password", "--factory", "12345", "--json"} +
                options + QStringList{"identify"},
            variable, input);
        QVERIFY2(run.err.contains(err.replace("FILE", path)), qPrintable(run.err));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out.isEmpty(), exitCode != 0);
        QVERIFY(!run.err.contains("987654321"));
    }

    // The traffic, decoded, on standard error or into a file; the answer stays on standard
    // output, and the login's password code never shows.
    void trace() {
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QTemporaryDir folder;
        const QString file = folder.filePath("trace.txt");
        const Run run =
            runCli({"--port", sim.slavePath(), "--mode", "password", "--factory", "12345",
                    "--password", "4321", "--trace", "--trace-file", file, "--json", "identify"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(R"({"factory":12345)"));
        const QStringList lines = run.err.trimmed().split('\n');
        QCOMPARE(lines.size(), 6);  // identity, challenge, login: each sent and received
        QVERIFY(lines[0].endsWith("39 30 00 25 6E FC  RxdRdInfo @12345"));
        QVERIFY(lines[4].contains("39 30 00 20 ** ** ** ** ** **  RxdWrPsw @12345"));
        QVERIFY(lines[5].endsWith("RxdWrPsw ok"));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()).trimmed(), run.err.trimmed());

        const Run unwritable = runCli({"--port", sim.slavePath(), "--trace-file",
                                       "/nonexistent/folder/trace.txt", "identify"});
        QCOMPARE(unwritable.exitCode, 2);
        QVERIFY(unwritable.err.contains("trace file"));
    }

    // A trace file that opens but takes nothing (a full disk) is told once, by name; the
    // command goes on to its own end.
    void traceOnAFullDisk() {
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        const Run run =
            runCli({"--port", sim.slavePath(), "--trace-file", "/dev/full", "--json", "identify"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(R"({"factory":12345)"));
        QCOMPARE(
            run.err.trimmed(),
            QStringLiteral("cannot write the trace file '/dev/full': No space left on device"));
    }

    // The adapter pulled while the command waits out a long reply wait: the wait ends at once
    // and says the device went away, instead of three whole waits of silence.
    void deviceGoneMidWait() {
        auto sim = std::make_unique<test::SimProcess>(meterArguments({"all silent"}));
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        const QString port = sim->slavePath();
        const Run run = runCli({"--port", port, "--timeout", "20000", "identify"}, [&] {
            QThread::msleep(800);
            sim.reset();
        });
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Устройство порта отключено")),
                 qPrintable(run.err));
    }

    void portNameThroughTheMap() {
        test::SimProcess sim(meterArguments());
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.path() + "/vilt-service/ports"));
        QVERIFY(QFile::link(sim.slavePath(), data.path() + "/vilt-service/ports/com1"));
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const Run run = runCli({"--port", "Com1", "identify"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.contains("12345"));

        // While the device is in use through its port name, its own path is taken too.
        comm::TComm holder;
        holder.SetDeviceName("Com1");
        holder.Open();
        QVERIFY(holder.Enabled());
        const Run second = runCli({"--port", sim.slavePath(), "identify"});
        QCOMPARE(second.exitCode, 2);
        QCOMPARE(second.err.trimmed(),
                 QStringLiteral("Ошибка открытия порта. Порт %1 занят другой программой: "
                                "закройте её и повторите.")
                     .arg(sim.slavePath()));
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
