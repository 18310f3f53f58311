// Drives vilt-sim --modem over its pseudo-terminal with the dialogue the workstation uses
// to dial, talk to the meter through the call and hang up.

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "support/pty_fixture.h"

using namespace std::chrono_literals;
using Line = vilt::test::PtyEnd;

namespace {

const QByteArray kIdentityRequest = QByteArray::fromHex("39 30 00 25 6E FC");
constexpr qsizetype kIdentityReplySize = 28;

QByteArray ok() {
    return "\r\nOK\r\n";
}

// The simulator with a modem in front of its meter, ready on its pseudo-terminal.
class ModemSim : public vilt::test::SimChild {
  public:
    explicit ModemSim(const QStringList& arguments)
        : SimChild(QStringList{"--modem"} + arguments), m_slave(waitReady()) {}

    QString slavePath() const { return m_slave; }

  private:
    QString m_slave;
};

}  // namespace

class TestModem : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void commandMode_data();
    void commandMode();
    void dialAnswers_data();
    void dialAnswers();
    void silentDialIsAbortedByAKey();
    void answerComesInPieces();
    void connectedCallReachesTheMeter();
    void escapeThenHangUp();
    void escapeThenBackOnline();
    void plusesWithoutGuardAreData_data();
    void plusesWithoutGuardAreData();
    void farEndHangsUp();
    void workstationHangUpWithDefaultGuard();
    void badControlLines_data();
    void badControlLines();
    void modemOptionsNeedTheModem();
    void phonebookPicksTheMeter();
    void phonebookRefused_data();
    void phonebookRefused();
};

void TestModem::initTestCase() {
    QVERIFY2(QFileInfo(qEnvironmentVariable("VILT_SIM")).isExecutable(),
             "VILT_SIM must name the vilt-sim executable");
}

void TestModem::commandMode_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray echoOff = "ate0\r" + ok();
    QTest::newRow("at echoed") << QStringList{} << QByteArray("at\r") << "at\r" + ok();
    QTest::newRow("wake-up CR and at CR CR")
        << QStringList{} << QByteArray("\rat\r\r") << "\rat\r" + ok() + "\r";
    QTest::newRow("ate0 with padding stops the echo")
        << QStringList{} << QByteArray("ate0\r\0\0\0\0\0\0\0at\r", 12 + 3) << echoOff + ok();
    QTest::newRow("ate1 echoes again")
        << QStringList{} << QByteArray("ate0\rate1\rat\r") << echoOff + ok() + "at\r" + ok();
    QTest::newRow("capitals and spaces")
        << QStringList{} << QByteArray("ATE0\rAT + IPR = 9600\r") << "ATE0\r" + ok() + ok();
    QTest::newRow("speed set and read")
        << QStringList{} << QByteArray("ate0\rat+ipr=9600\rat+ipr?\r")
        << echoOff + ok() + "\r\n+IPR: 9600\r\n" + ok();
    QTest::newRow("speed 0 after hang-up")
        << QStringList{} << QByteArray("ate0\rat+ipr=0\r\rat+ipr?\r")
        << echoOff + ok() + "\r\n+IPR: 0\r\n" + ok();
    QTest::newRow("locked speed") << QStringList{"--ipr-lock", "115200"}
                                  << QByteArray("ate0\rat+ipr=9600\rat+ipr?\r")
                                  << echoOff + ok() + "\r\n+IPR: 115200\r\n" + ok();
    const QByteArray error = "\r\nERROR\r\n";
    QTest::newRow("unknown speed")
        << QStringList{} << QByteArray("ate0\rat+ipr=9601\r") << echoOff + error;
    QTest::newRow("no speed") << QStringList{} << QByteArray("ate0\rat+ipr=\r") << echoOff + error;
    QTest::newRow("not AT") << QStringList{} << QByteArray("ate0\rhello\r") << echoOff + error;
    QTest::newRow("unknown AT command")
        << QStringList{} << QByteArray("ate0\ratq7\r") << echoOff + error;
    QTest::newRow("online without a call")
        << QStringList{} << QByteArray("ate0\rato\r") << echoOff + error;
    QTest::newRow("hang up without a call")
        << QStringList{} << QByteArray("ate0\rath\r") << echoOff + ok();
    QTest::newRow("overlong line")
        << QStringList{} << "ate0\rat" + QByteArray(400, '1') + "\rat\r" << echoOff + error + ok();
    QTest::newRow("binary garbage")
        << QStringList{} << "ate0\r" + QByteArray::fromHex("FF 00 80 0A 1B 0D") << echoOff + error;
}

void TestModem::commandMode() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);
    ModemSim sim(arguments);
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send(sent));
    QCOMPARE(line.receiveLike(expected), expected);
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
    QCOMPARE(sim.control("get dialled"), QByteArray("OK"));
}

void TestModem::dialAnswers_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QByteArray>("dial");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QByteArray>("dialled");
    QTest::newRow("connect") << QStringList{} << QByteArray() << QByteArray("atd5551234\r")
                             << QByteArray("CONNECT 9600") << QByteArray("data")
                             << QByteArray("5551234");
    QTest::newRow("connect at the set speed")
        << QStringList{} << QByteArray() << QByteArray("at+ipr=19200\ratdt88\r")
        << QByteArray("OK\r\n\r\nCONNECT 19200") << QByteArray("data") << QByteArray("88");
    QTest::newRow("no carrier") << QStringList{"--dial-answer", "nocarrier"} << QByteArray()
                                << QByteArray("atdp0123\r") << QByteArray("NO CARRIER")
                                << QByteArray("command") << QByteArray("0123");
    QTest::newRow("busy by control line")
        << QStringList{} << QByteArray("set dial busy") << QByteArray("ATD 7\r")
        << QByteArray("BUSY") << QByteArray("command") << QByteArray("7");
}

void TestModem::dialAnswers() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, control);
    QFETCH(QByteArray, dial);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, state);
    QFETCH(QByteArray, dialled);
    ModemSim sim(arguments + QStringList{"--dial-delay", "50"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    if (!control.isEmpty()) {
        QCOMPARE(sim.control(control), QByteArray("OK"));
    }
    const QByteArray expected = "ate0\r" + ok() + "\r\n" + answer + "\r\n";
    QVERIFY(line.send("ate0\r" + dial));
    QCOMPARE(line.receiveLike(expected), expected);
    QCOMPARE(sim.control("get modem"), "OK " + state);
    QCOMPARE(sim.control("get dialled"), "OK " + dialled);
}

void TestModem::silentDialIsAbortedByAKey() {
    ModemSim sim({"--dial-answer", "silent", "--dial-delay", "0"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    QCOMPARE(line.receiveLike("ate0\r" + ok()), "ate0\r" + ok());
    QCOMPARE(sim.control("get modem"), QByteArray("OK dialling"));
    QVERIFY(line.send("\r"));
    QCOMPARE(line.receiveLike("\r\nNO CARRIER\r\n"), QByteArray("\r\nNO CARRIER\r\n"));
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
}

// The workstation decides on the first read that returns anything, so the pieces must come
// one by one: with gaps this long every read gets exactly one.
void TestModem::answerComesInPieces() {
    ModemSim sim({"--dial-delay", "0", "--dial-gap", "600", "--dial-cut", "5"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\r"));
    QCOMPARE(line.receiveLike("ate0\r" + ok()), "ate0\r" + ok());
    QVERIFY(line.send("atd1\r"));
    QList<QByteArray> pieces;
    for (int i = 0; i < 5; ++i) {
        pieces.append(line.readSome());
    }
    QCOMPARE(pieces, (QList<QByteArray>{"\r\n", "CON", "NECT", " 9600", "\r\n"}));
}

void TestModem::connectedCallReachesTheMeter() {
    ModemSim sim({"--dial-delay", "0"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    // Not connected: the request is a broken command line, the meter never sees it.
    QVERIFY(line.send("ate0\r" + kIdentityRequest + "\r"));
    QCOMPARE(line.receiveLike("ate0\r" + ok() + "\r\nERROR\r\n"),
             "ate0\r" + ok() + "\r\nERROR\r\n");
    QVERIFY(line.send("atd1\r"));
    QCOMPARE(line.receiveLike("\r\nCONNECT 9600\r\n"), QByteArray("\r\nCONNECT 9600\r\n"));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(line.send(kIdentityRequest));
        const QByteArray reply = line.receive(kIdentityReplySize);
        QCOMPARE(reply.size(), kIdentityReplySize);
        QCOMPARE(reply.first(4), kIdentityRequest.first(4));
    }
}

void TestModem::escapeThenHangUp() {
    ModemSim sim({"--dial-delay", "0", "--guard", "300"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    line.receiveLike("ate0\r" + ok() + "\r\nCONNECT 9600\r\n");
    QVERIFY(line.send(kIdentityRequest));
    QCOMPARE(line.receive(kIdentityReplySize).size(), kIdentityReplySize);
    QThread::msleep(400);
    QVERIFY(line.send("+++"));
    QCOMPARE(line.receiveLike(ok()), ok());
    QCOMPARE(sim.control("get modem"), QByteArray("OK connected-command"));
    // In command mode the meter hears nothing.
    QVERIFY(line.send(kIdentityRequest + "\r"));
    QCOMPARE(line.receiveLike("\r\nERROR\r\n"), QByteArray("\r\nERROR\r\n"));
    QVERIFY(line.send("atd2\r"));
    QCOMPARE(line.receiveLike("\r\nERROR\r\n"), QByteArray("\r\nERROR\r\n"));
    QVERIFY(line.send("ath\r"));
    QCOMPARE(line.receiveLike(ok()), ok());
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
    QCOMPARE(sim.control("get dialled"), QByteArray("OK 1"));
}

void TestModem::escapeThenBackOnline() {
    ModemSim sim({"--dial-delay", "0", "--guard", "200"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    line.receiveLike("ate0\r" + ok() + "\r\nCONNECT 9600\r\n");
    QThread::msleep(300);
    QVERIFY(line.send("+++"));
    QCOMPARE(line.receiveLike(ok()), ok());
    QVERIFY(line.send("ato\r"));
    QCOMPARE(line.receiveLike("\r\nCONNECT 9600\r\n"), QByteArray("\r\nCONNECT 9600\r\n"));
    QCOMPARE(sim.control("get modem"), QByteArray("OK data"));
    QVERIFY(line.send(kIdentityRequest));
    QCOMPARE(line.receive(kIdentityReplySize).size(), kIdentityReplySize);
}

void TestModem::plusesWithoutGuardAreData_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("data right before") << QByteArray("x+++");
    QTest::newRow("data right after") << QByteArray("+++x");
    QTest::newRow("two pluses") << QByteArray("++");
    QTest::newRow("four pluses") << QByteArray("++++");
}

void TestModem::plusesWithoutGuardAreData() {
    QFETCH(QByteArray, sent);
    ModemSim sim({"--dial-delay", "0", "--guard", "200"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    line.receiveLike("ate0\r" + ok() + "\r\nCONNECT 9600\r\n");
    QThread::msleep(300);
    QVERIFY(line.send(sent));
    QCOMPARE(line.receive(1, 600ms), QByteArray());
    QCOMPARE(sim.control("get modem"), QByteArray("OK data"));
    // The pluses went to the meter as noise; it still answers once the line is idle.
    QThread::msleep(300);
    QVERIFY(line.send(kIdentityRequest));
    QCOMPARE(line.receive(kIdentityReplySize).size(), kIdentityReplySize);
}

void TestModem::farEndHangsUp() {
    ModemSim sim({"--dial-delay", "0"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    line.receiveLike("ate0\r" + ok() + "\r\nCONNECT 9600\r\n");
    QCOMPARE(sim.control("hangup"), QByteArray("OK"));
    QCOMPARE(line.receiveLike("\r\nNO CARRIER\r\n"), QByteArray("\r\nNO CARRIER\r\n"));
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
    QVERIFY(line.send("at\r"));
    QCOMPARE(line.receiveLike(ok()), ok());
}

// The workstation's own hang-up: "+++", 500 ms, a read that waits up to 1000 ms for the
// first byte, then "ath" CR and "at+ipr=0" CR CR; with the default guard time.
void TestModem::workstationHangUpWithDefaultGuard() {
    ModemSim sim({"--dial-delay", "0"});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd1\r"));
    line.receiveLike("ate0\r" + ok() + "\r\nCONNECT 9600\r\n");
    QThread::msleep(1100);
    QVERIFY(line.send("+++"));
    QThread::msleep(500);
    QCOMPARE(line.receive(ok().size(), 1500ms), ok());
    QVERIFY(line.send("ath\r"));
    QCOMPARE(line.receiveLike(ok()), ok());
    QVERIFY(line.send("at+ipr=0\r\r"));
    QCOMPARE(line.receiveLike(ok()), ok());
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
}

void TestModem::badControlLines_data() {
    QTest::addColumn<QByteArray>("control");
    QTest::newRow("unknown answer") << QByteArray("set dial maybe");
    QTest::newRow("no answer") << QByteArray("set dial");
    QTest::newRow("negative delay") << QByteArray("set dial-delay -5");
    QTest::newRow("delay not a number") << QByteArray("set guard soon");
    QTest::newRow("cut not a number") << QByteArray("set dial-cut x");
    QTest::newRow("lock not a speed") << QByteArray("set ipr-lock 1234");
    QTest::newRow("get with a key") << QByteArray("get dialled 1");
    QTest::newRow("unknown get") << QByteArray("get modems");
}

void TestModem::badControlLines() {
    QFETCH(QByteArray, control);
    ModemSim sim({});
    QVERIFY(!sim.slavePath().isEmpty());
    QVERIFY(sim.control(control).startsWith("ERR "));
    QCOMPARE(sim.control("get modem"), QByteArray("OK command"));
}

void TestModem::modemOptionsNeedTheModem() {
    QProcess plain;
    plain.start(qEnvironmentVariable("VILT_SIM"), {"--guard", "100"});
    QVERIFY(plain.waitForFinished(static_cast<int>(vilt::test::kPtyPatience.count())));
    QCOMPARE(plain.exitCode(), 2);
}

// The number dialled picks the meter that answers; a number not in the book gets no carrier,
// one in it the answer the options give.
void TestModem::phonebookPicksTheMeter() {
    QTemporaryDir dir;
    QFile book(dir.filePath("book.txt"));
    QVERIFY(book.open(QIODevice::WriteOnly));
    book.write("# phone factory [password]\n5551 12345\n\n  5552   777 1 \n");
    book.close();
    ModemSim sim({"--dial-delay", "0", "--phonebook", book.fileName()});
    Line line(sim.slavePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("ate0\ratd5559\r"));
    const QByteArray noCarrier = "ate0\r" + ok() + "\r\nNO CARRIER\r\n";
    QCOMPARE(line.receiveLike(noCarrier), noCarrier);
    const QByteArray connect("\r\nCONNECT 9600\r\n");
    QVERIFY(line.send("atd5552\r"));
    QCOMPARE(line.receiveLike(connect), connect);
    QVERIFY(line.send(kIdentityRequest));  // to 12345: meter 777 keeps quiet
    QCOMPARE(line.receive(1, vilt::test::kPtyQuiet), QByteArray());
    QCOMPARE(sim.control("hangup"), QByteArray("OK"));
    QCOMPARE(line.receiveLike("\r\nNO CARRIER\r\n"), QByteArray("\r\nNO CARRIER\r\n"));
    QVERIFY(line.send("atd5551\r"));
    QCOMPARE(line.receiveLike(connect), connect);
    QCOMPARE(line.roundTrip(kIdentityRequest, kIdentityReplySize).size(), kIdentityReplySize);
    QCOMPARE(sim.control("hangup"), QByteArray("OK"));
    QCOMPARE(line.receiveLike("\r\nNO CARRIER\r\n"), QByteArray("\r\nNO CARRIER\r\n"));
    QCOMPARE(sim.control("set dial busy"), QByteArray("OK"));
    QVERIFY(line.send("atd5551\r"));
    QCOMPARE(line.receiveLike("\r\nBUSY\r\n"), QByteArray("\r\nBUSY\r\n"));
}

void TestModem::phonebookRefused_data() {
    QTest::addColumn<QByteArray>("book");
    QTest::addColumn<bool>("modem");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("without the modem")
        << QByteArray("1 2\n") << false << QByteArray("needs --modem");
    QTest::newRow("factory not a number")
        << QByteArray("1 2\n3 x\n") << true << QByteArray("line 2: bad factory");
    QTest::newRow("too many fields")
        << QByteArray("1 2 3 4\n") << true << QByteArray("line 1: 4 fields");
    QTest::newRow("number twice") << QByteArray("1 2\n1 3\n") << true
                                  << QByteArray("line 2: number listed twice");
    QTest::newRow("no numbers") << QByteArray("# none\n") << true << QByteArray("no numbers");
}

void TestModem::phonebookRefused() {
    QFETCH(QByteArray, book);
    QFETCH(bool, modem);
    QFETCH(QByteArray, reason);
    QTemporaryDir dir;
    QFile file(dir.filePath("book.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(book);
    file.close();
    QProcess sim;
    sim.start(qEnvironmentVariable("VILT_SIM"),
              QStringList{"--phonebook", file.fileName()} +
                  (modem ? QStringList{"--modem"} : QStringList{}));
    QVERIFY(sim.waitForFinished(static_cast<int>(vilt::test::kPtyPatience.count())));
    QCOMPARE(sim.exitCode(), 2);
    const QByteArray error = sim.readAllStandardError();
    QVERIFY2(error.contains(reason), error.constData());
}

QTEST_GUILESS_MAIN(TestModem)
#include "tst_modem.moc"
