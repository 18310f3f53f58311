// Drives the real vilt-sim over its pseudo-terminal, as the workstation will.

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/pty_fixture.h"

using namespace std::chrono_literals;
using vilt::test::SimChild;
using Line = vilt::test::PtyEnd;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

const char* const kIdentityRequest = "39 30 00 25 6E FC";
// Meter 12345 with the default model 7, version 30109 and no place.
const char* const kDefaultIdentityReply =
    "39 30 00 25 07 00 9D 75 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 D2 50";

}  // namespace

class TestPtyServer : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void identityRoundTrip_data();
    void identityRoundTrip();
    void controlLinesChangeTheMeter();
    void clockAndWritesThroughTheProcess();
    void settingsThroughTheProcess();
    void readingsThroughTheProcess();
    void scheduleThroughTheProcess();
    void latencyHoldsTheReply_data();
    void latencyHoldsTheReply();
    void keepsServingWithStdinClosed();
    void idleLineDropsPartialRequest();
    void linkFollowsTheServer_data();
    void linkFollowsTheServer();
    void badOptionsExitWithUsage_data();
    void badOptionsExitWithUsage();
};

void TestPtyServer::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VILT_SIM")).isExecutable(),
             "VILT_SIM must name the vilt-sim executable");
}

void TestPtyServer::identityRoundTrip_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray identity = hex(kIdentityRequest);
    const QByteArray reply = hex(kDefaultIdentityReply);
    QTest::newRow("plain") << QStringList{} << identity << reply;
    QTest::newRow("paced at 9600") << QStringList{"--baud", "9600"} << identity << reply;
    QTest::newRow("split") << QStringList{"--fault", "25 split 30"} << identity << reply;
    QTest::newRow("delayed and paced")
        << QStringList{"--fault", "all delay 30", "--baud", "19200"} << identity << reply;
    QTest::newRow("meter set by options")
        << QStringList{"--factory", "777", "--model", "1", "--version", "2", "--place", "ТП-15"}
        << hex("00 7F 8F 78")
        << hex("09 03 00 7F 01 00 02 00 00 00 D2 CF 2D 31 35 00 00 00 00 00 00 00 00 00 00 00 EA "
               "BA");
}

void TestPtyServer::identityRoundTrip() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    SimChild sim(arguments);
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);
    QVERIFY(line.isOpen());
    QCOMPARE(line.roundTrip(request, expected.size()).toHex(' '), expected.toHex(' '));
}

void TestPtyServer::controlLinesChangeTheMeter() {
    SimChild sim({});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);
    const QByteArray request = hex(kIdentityRequest);
    const QByteArray clean = hex(kDefaultIdentityReply);

    QCOMPARE(sim.control("fault 25 crc 0 1"), "OK");
    QByteArray broken = clean;
    broken.back() = static_cast<char>(~broken.back());
    QCOMPARE(line.roundTrip(request, clean.size()).toHex(' '), broken.toHex(' '));
    QCOMPARE(line.roundTrip(request, clean.size()).toHex(' '), clean.toHex(' '));

    QVERIFY(sim.control("fault 25 boom").startsWith("ERR "));
    QCOMPARE(sim.control("set place ТП-15"), "OK");
    QCOMPARE(line.roundTrip(request, clean.size()).sliced(10, 6).toHex(' '), "d2 cf 2d 31 35 00");

    QCOMPARE(sim.control("quit"), "OK");
    QVERIFY(sim.process().waitForFinished(10'000));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestPtyServer::clockAndWritesThroughTheProcess() {
    SimChild sim({"--clock", "2026-12-09 14:30:05", "--dst", "5"});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);

    const QByteArray clock = sim.control("get clock");
    QVERIFY2(clock.startsWith("OK 2026-12-09 14:30:") && clock.endsWith(" 3"), clock);
    QCOMPARE(line.roundTrip(hex("39 30 00 0E FB F5"), 7).toHex(' '), "39 30 00 0e 05 fb d1");
    QCOMPARE(sim.control("set clockbytes 05 30 14 03 09 12 26"), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 10 08 0A"), 13).toHex(' '),
             "39 30 00 10 05 30 14 03 09 12 26 ea 20");

    // A write over the line shows in `get`, as the meter would report it.
    const QByteArray writePlace =
        hex("39 30 00 19 D2 CF 2D 31 35 00 00 00 00 00 00 00 00 00 00 00 F3 96");
    QCOMPARE(line.roundTrip(writePlace, 7).toHex(' '), "39 30 00 19 aa 25 30");
    QCOMPARE(sim.control("get place"), "OK ТП-15");
    QVERIFY(sim.control("get colour").startsWith("ERR unknown state"));
}

void TestPtyServer::settingsThroughTheProcess() {
    SimChild sim({});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);

    QCOMPARE(sim.control("set limits 01 10 27 A0 86 01 00 00 00 00 00 00 FF FF FF 00"), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 2B 8F 32"), 22).toHex(' '),
             "39 30 00 2b 01 10 27 a0 86 01 00 00 00 00 00 00 ff ff ff 00 82 6a");
    QCOMPARE(line.roundTrip(hex("39 30 00 28 5A FC 8B"), 7).toHex(' '), "39 30 00 28 aa 13 94");
    QCOMPARE(sim.control("get calibration"), "OK 5A");

    // The trailing zero of the 512 Hz request arrives on its own and still completes it.
    QVERIFY(line.send(hex("39 30 00 15 58 AF")));
    QCOMPARE(line.roundTrip(hex("00"), 7).toHex(' '), "39 30 00 15 aa 60 5d");
    QCOMPARE(sim.control("get out512"), "OK 1");

    QCOMPARE(line.roundTrip(hex("39 30 00 5F B1 21"), 7).toHex(' '), "39 30 00 5f aa 82 5a");
    QCOMPARE(line.roundTrip(hex("39 30 00 6F 2C 01 00 00 75 31"), 7).toHex(' '),
             "39 30 00 6f aa 87 cf");
    QCOMPARE(sim.control("get serial"), "OK 300");
    QCOMPARE(sim.control("get limits"), "OK 011027A08601000000000000FFFFFF00");
}

void TestPtyServer::readingsThroughTheProcess() {
    SimChild sim({"--clock", "2010-03-05 12:10:00"});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);

    QCOMPARE(sim.control("set energy active 12345 -1 0 1"), "OK");
    QCOMPARE(sim.control("get energy active"), "OK 12345 -1 0 1");
    QCOMPARE(line.roundTrip(hex("39 30 00 12 00 ED 6A"), 22).toHex(' '),
             "39 30 00 12 39 30 00 00 ff ff ff ff 00 00 00 00 01 00 00 00 46 88");
    QCOMPARE(sim.control("set month 12 100 200 300 400"), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 16 0C 00 DF 2E"), 22).toHex(' '),
             "39 30 00 16 64 00 00 00 c8 00 00 00 2c 01 00 00 90 01 00 00 1c e3");

    // Today's profile, its words set by hand; the 105-byte reply comes whole.
    const QByteArray words = QByteArray("0102").repeated(47) + "8000";
    QCOMPARE(sim.control("set profile 2010-03-05 " + words), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 18 05 03 10 6F 3B"), 105).toHex(' '),
             (hex("39 30 00 18 00 00 00") + QByteArray::fromHex(words) + hex("D4 F1")).toHex(' '));
    QCOMPARE(sim.control("set profile 2010-03-05 none"), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 18 05 03 10 6F 3B"), 8).toHex(' '),
             "39 30 00 18 ff 00 82 bd");
    QCOMPARE(sim.control("get profile 2010-03-05"), "OK none");
    QVERIFY(sim.control("set profile 2010-03-05 0102").startsWith("ERR bad profile"));
}

void TestPtyServer::scheduleThroughTheProcess() {
    SimChild sim({});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);
    const QByteArray zones = "1B 00 00 00 00 00 C0 00 00 00 00 00 00 00 00 00 00 03";

    QCOMPARE(sim.control("set zones 3 " + zones), "OK");
    QCOMPARE(line.roundTrip(hex("39 30 00 06 03 12 BE"), 24).toHex(' '),
             (hex("39 30 00 06") + QByteArray::fromHex(zones) + hex("C7 86")).toHex(' '));
    QCOMPARE(line.roundTrip(hex("39 30 00 07 0C") + QByteArray::fromHex(zones) + hex("EE 19"), 7)
                 .toHex(' '),
             "39 30 00 07 aa 05 4c");
    QCOMPARE(sim.control("get zones 12"), "OK 1B0000000000C00000000000000000000003");
    QVERIFY(sim.control("set zones 13 " + zones).startsWith("ERR bad zones"));

    // Two special days written over the line, read back by a control line and the line.
    const QByteArray records = hex("41 07 12 25") + QByteArray(44, '\0');
    QCOMPARE(line.roundTrip(hex("39 30 00 03") + records + hex("7B F0"), 7).toHex(' '),
             "39 30 00 03 aa c9 88");
    QCOMPARE(sim.control("get calendar"), "OK 41071225" + QByteArray(88, '0'));
    QCOMPARE(line.roundTrip(hex("39 30 00 02 3A 79"), 54).toHex(' '),
             (hex("39 30 00 02") + records + hex("C6 94")).toHex(' '));
}

void TestPtyServer::latencyHoldsTheReply_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("controlLine");
    QTest::newRow("--latency") << QStringList{"--latency", "300"} << QByteArray();
    QTest::newRow("set latency") << QStringList{} << QByteArray("set latency 300");
}

// Only the order is checked: nothing early, then the whole reply.
void TestPtyServer::latencyHoldsTheReply() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, controlLine);
    SimChild sim(arguments);
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);
    if (!controlLine.isEmpty()) {
        QCOMPARE(sim.control(controlLine), "OK");
    }
    QVERIFY(line.send(hex(kIdentityRequest)));
    QCOMPARE(line.receive(1, 100ms).toHex(' '), "");
    QCOMPARE(line.receive(28).toHex(' '), hex(kDefaultIdentityReply).toHex(' '));
}

void TestPtyServer::keepsServingWithStdinClosed() {
    SimChild sim({});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    sim.process().closeWriteChannel();
    Line line(slave);
    QCOMPARE(line.roundTrip(hex(kIdentityRequest), 28).toHex(' '),
             hex(kDefaultIdentityReply).toHex(' '));
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestPtyServer::idleLineDropsPartialRequest() {
    SimChild sim({});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    Line line(slave);
    // The start of a 54-byte request; kept, it would swallow the next request whole.
    QVERIFY(line.send(hex("39 30 00 03 00 00")));
    QTest::qWait(600);  // well past the idle reset
    QCOMPARE(line.roundTrip(hex(kIdentityRequest), 28).toHex(' '),
             hex(kDefaultIdentityReply).toHex(' '));
}

void TestPtyServer::linkFollowsTheServer_data() {
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("quit line") << false;
    QTest::newRow("SIGTERM") << true;
}

void TestPtyServer::linkFollowsTheServer() {
    QFETCH(bool, bySignal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("meter");
    QVERIFY(QFile::link("/nonexistent/stale-pts", link));  // left by an earlier run

    SimChild sim({"--link", link});
    const QString slave = sim.waitReady();
    QVERIFY2(!slave.isEmpty(), "no READY line");
    QCOMPARE(QFileInfo(link).symLinkTarget(), slave);
    {
        Line line(link);
        QCOMPARE(line.roundTrip(hex(kIdentityRequest), 28).toHex(' '),
                 hex(kDefaultIdentityReply).toHex(' '));
    }
    if (bySignal) {
        sim.process().terminate();
    } else {
        QCOMPARE(sim.control("quit"), "OK");
    }
    QVERIFY(sim.process().waitForFinished(10'000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestPtyServer::badOptionsExitWithUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "bogus";
    QTest::newRow("stray argument") << QStringList{"extra"} << "unexpected argument";
    QTest::newRow("missing value") << QStringList{"--factory"} << "factory";
    QTest::newRow("factory too big") << QStringList{"--factory", "16777216"} << "bad factory";
    QTest::newRow("negative baud") << QStringList{"--baud", "-1"} << "--baud";
    QTest::newRow("negative latency") << QStringList{"--latency", "-1"} << "--latency: bad latency";
    QTest::newRow("latency too long")
        << QStringList{"--latency", "10001"} << "--latency: bad latency";
    QTest::newRow("place too long") << QStringList{"--place", "Подстанция 12-345"} << "at most 16";
    QTest::newRow("place not encodable") << QStringList{"--place", "日本"} << "Windows-1251";
    QTest::newRow("bad fault") << QStringList{"--fault", "25 explode"} << "unknown fault kind";
    QTest::newRow("dst too big") << QStringList{"--dst", "100"} << "--dst: bad dst";
    QTest::newRow("clock, month 13")
        << QStringList{"--clock", "2026-13-01 00:00:00"} << "--clock: bad clock";
}

void TestPtyServer::badOptionsExitWithUsage() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    SimChild sim(arguments);
    QVERIFY(sim.process().waitForFinished(10'000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 2);
    const QString error = QString::fromUtf8(sim.process().readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!sim.process().readAllStandardOutput().contains("READY"));
}

QTEST_GUILESS_MAIN(TestPtyServer)
#include "tst_pty_server.moc"
