#include "tst_virtual_meter.h"

#include <QTest>
#include <functional>

#include "sim/control.h"
#include "sim/crc16.h"
#include "sim/scramble.h"

using namespace vilt::sim;
using namespace vilt::sim::test;

namespace {

using ReplyCheck = std::function<void(const QByteArray& clean, const Reply& got)>;

}  // namespace

Q_DECLARE_METATYPE(ReplyCheck)

void TestVirtualMeter::crc_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("expected");
    QTest::newRow("check value") << QByteArray("123456789") << 0x31C3;
    QTest::newRow("local identity") << hex("00 7F") << 0x8F78;
    QTest::newRow("identity request") << hex("39 30 00 25") << 0x6EFC;
    QTest::newRow("whole frame leaves zero") << hex(kIdentityReply) << 0;
}

void TestVirtualMeter::crc() {
    QFETCH(QByteArray, data);
    QFETCH(int, expected);
    QCOMPARE(crc16(data), expected);
}

void TestVirtualMeter::passwordCode_data() {
    QTest::addColumn<int>("password");
    QTest::addColumn<uint>("challenge");
    QTest::addColumn<uint>("expected");
    // v = 0x62E6, byte sum 0x148 -> 9 rounds; v never reaches bit 31, so the code is
    // the XOR of 0x62E6 << 1 .. 0x62E6 << 9.
    QTest::newRow("no carries") << 0 << 0u << 0x0086CB44u;
    // v = 0x80000001 -> 2 rounds: v = 0x00000002 (carry 1), then 0x00000005.
    QTest::newRow("carry re-enters") << 0x7FFF9D1B << kChallenge << 0x1234567Fu;
    // v = 0xFFFFFFFF -> 13 rounds: step k gives ~(1 << (k-1)); 13 of them XOR to ~0x1FFF.
    QTest::newRow("all ones") << -25319 << 0u << 0xFFFFE000u;
    // password + 0x62E6 wraps to 0 -> 1 round of zeros leaves the challenge.
    QTest::newRow("wraps to zero") << -25318 << 0xCAFEBABEu << 0xCAFEBABEu;
}

void TestVirtualMeter::passwordCode() {
    QFETCH(int, password);
    QFETCH(uint, challenge);
    QFETCH(uint, expected);
    QCOMPARE(vilt::sim::passwordCode(password, challenge), expected);
}

void TestVirtualMeter::identityReply_data() {
    QTest::addColumn<uint>("factory");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("by factory number") << 12345u << hex(kIdentityRequest) << hex(kIdentityReply);
    // Answered whatever the address, with the meter's own header.
    QTest::newRow("local") << 0xABCDEFu << hex("00 7F 8F 78")
                           << hex("EF CD AB 7F 07 00 9D 75 00 00 D2 CF 2D 31 35 00 00 00 00 00 00 "
                                  "00 00 00 00 00 57 B0");
}

void TestVirtualMeter::identityReply() {
    QFETCH(uint, factory);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    MeterState state = fixtureState();
    state.factory = factory;
    VirtualMeter meter(state);
    const Reply reply = meter.answer(request);
    QCOMPARE(reply.bytes.toHex(' '), expected.toHex(' '));
    QCOMPARE(reply.delayMs, 0);
    QCOMPARE(reply.splitAt, -1);
}

void TestVirtualMeter::silence_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("bad crc") << hex("39 30 00 25 6E FD");
    QTest::newRow("other meter") << hex("3A 30 00 25 F5 20");
    QTest::newRow("zones of season 13") << hex("39 30 00 06 0D F3 70");
    QTest::newRow("unknown code") << sealed(hex("39 30 00 99"));
    QTest::newRow("too long for its code") << sealed(hex("39 30 00 25 00"));
    QTest::newRow("local identity too long") << sealed(hex("00 7F 00"));
    // The 512 Hz output request is a 6-byte frame and one zero byte outside its CRC.
    QTest::newRow("512 Hz, trailing byte missing") << hex("39 30 00 15 58 AF");
    QTest::newRow("512 Hz, trailing byte not zero") << hex("39 30 00 15 58 AF 01");
    QTest::newRow("512 Hz, bad crc") << hex("39 30 00 15 58 AE 00");
    QTest::newRow("512 Hz, zero inside the crc") << sealed(hex("39 30 00 15 00"));
    QTest::newRow("two bytes") << hex("00 7F");
    QTest::newRow("empty") << QByteArray();
}

void TestVirtualMeter::silence() {
    QFETCH(QByteArray, request);
    VirtualMeter meter(fixtureState());
    QVERIFY(meter.answer(request).bytes.isEmpty());
    // Bad frames are logged too, in order with the good ones.
    meter.answer(hex(kIdentityRequest));
    QCOMPARE(meter.requests(), (QList<QByteArray>{request, hex(kIdentityRequest)}));
}

void TestVirtualMeter::challengesChange() {
    VirtualMeter meter(fixtureState());
    meter.setNextChallenge(kChallenge);
    QCOMPARE(meter.answer(hex(kChallengeRequest)).bytes, hex("39 30 00 1C 78 56 34 12 19 D3"));

    // Without a fixed value each request gets a new one, the same sequence every run.
    VirtualMeter first(fixtureState());
    VirtualMeter second(fixtureState());
    QList<QByteArray> seen;
    for (int i = 0; i < 4; ++i) {
        const QByteArray reply = first.answer(hex(kChallengeRequest)).bytes;
        QCOMPARE(reply.size(), 10);
        QVERIFY(crcMatches(reply));
        QVERIFY(!seen.contains(reply));
        QCOMPARE(second.answer(hex(kChallengeRequest)).bytes, reply);
        seen.append(reply);
    }
}

void TestVirtualMeter::login_data() {
    QTest::addColumn<bool>("challengeFirst");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("right code") << true << hex(kLoginRequest) << hex("39 30 00 20 AA 9A 3D");
    QTest::newRow("code off by one bit")
        << true << sealed(hex("39 30 00 20 7E 56 34 12")) << hex("39 30 00 20 00 8E 9D");
    QTest::newRow("no challenge handed out")
        << false << hex(kLoginRequest) << hex("39 30 00 20 00 8E 9D");
}

void TestVirtualMeter::login() {
    QFETCH(bool, challengeFirst);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    VirtualMeter meter = challengeFirst ? challengedMeter() : VirtualMeter(fixtureState());
    QCOMPARE(meter.answer(request).bytes.toHex(' '), expected.toHex(' '));
}

void TestVirtualMeter::fault_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("kind");
    QTest::addColumn<ReplyCheck>("check");
    const QByteArray identity = hex(kIdentityRequest);
    const QByteArray login = hex(kLoginRequest);
    auto row = [](const char* name, const QByteArray& request, FaultKind kind, ReplyCheck check) {
        QTest::newRow(name) << request << static_cast<int>(kind) << check;
    };
    row("silent", identity, FaultKind::Silent,
        [](const QByteArray&, const Reply& got) { QVERIFY(got.bytes.isEmpty()); });
    row("bad crc", identity, FaultKind::BadCrc, [](const QByteArray& clean, const Reply& got) {
        QCOMPARE(got.bytes.chopped(1), clean.chopped(1));
        QCOMPARE(uint8_t(got.bytes.back()), uint8_t(~clean.back()));
    });
    row("wrong code", identity, FaultKind::WrongCode,
        [](const QByteArray& clean, const Reply& got) {
            QVERIFY(crcMatches(got.bytes));
            QVERIFY(got.bytes[3] != clean[3]);
            QCOMPARE(got.bytes.first(3), clean.first(3));
            QCOMPARE(got.bytes.sliced(4).chopped(2), clean.sliced(4).chopped(2));
        });
    row("extra byte", identity, FaultKind::ExtraByte,
        [](const QByteArray& clean, const Reply& got) {
            QCOMPARE(got.bytes.size(), clean.size() + 1);
            QVERIFY(got.bytes.startsWith(clean));
        });
    row("missing byte", identity, FaultKind::MissingByte,
        [](const QByteArray& clean, const Reply& got) { QCOMPARE(got.bytes, clean.chopped(1)); });
    const ReplyCheck wrongAck = [](const QByteArray& clean, const Reply& got) {
        QVERIFY(crcMatches(got.bytes));
        QCOMPARE(got.bytes.first(4), clean.first(4));
        // Neither refuse nor either accept byte, whichever the command uses.
        QVERIFY(!QByteArray::fromHex("00 55 AA").contains(got.bytes[4]));
    };
    row("wrong ack", login, FaultKind::WrongAck, wrongAck);
    row("wrong ack, accept byte 55", hex("39 30 00 21 D2 04 00 00 7D 16"), FaultKind::WrongAck,
        wrongAck);
    row("wrong ack, 512 Hz output", hex("39 30 00 15 58 AF 00"), FaultKind::WrongAck, wrongAck);
    row("other ack, calibration write", hex("39 30 00 28 5A FC 8B"), FaultKind::OtherAck,
        [](const QByteArray& clean, const Reply& got) {
            QCOMPARE(clean.toHex(' '), "39 30 00 28 aa 13 94");
            QCOMPARE(got.bytes.toHex(' '), "39 30 00 28 55 0d 64");
        });
    const ReplyCheck untouched = [](const QByteArray& clean, const Reply& got) {
        QCOMPARE(got.bytes, clean);
    };
    row("wrong ack spares a data reply", hex("39 30 00 0E FB F5"), FaultKind::WrongAck, untouched);
    // As short as an acknowledgement, but the byte is data.
    row("wrong ack spares the calibration read", hex("39 30 00 27 4E BE"), FaultKind::WrongAck,
        untouched);
    row("delay", identity, FaultKind::Delay, [](const QByteArray& clean, const Reply& got) {
        QCOMPARE(got.bytes, clean);
        QCOMPARE(got.delayMs, 40);
    });
    row("split", identity, FaultKind::Split, [](const QByteArray& clean, const Reply& got) {
        QCOMPARE(got.bytes, clean);
        QVERIFY(got.splitAt > 0 && got.splitAt < clean.size());
        QCOMPARE(got.gapMs, 40);
    });
    row("password refused", login, FaultKind::PasswordRefused,
        [](const QByteArray& clean, const Reply& got) {
            QCOMPARE(clean.toHex(' '), "39 30 00 20 aa 9a 3d");
            QCOMPARE(got.bytes.toHex(' '), "39 30 00 20 00 8e 9d");
        });
}

void TestVirtualMeter::fault() {
    QFETCH(QByteArray, request);
    QFETCH(int, kind);
    QFETCH(ReplyCheck, check);
    VirtualMeter plain = challengedMeter();
    VirtualMeter faulty = challengedMeter();
    const int code = static_cast<uint8_t>(request[3]);
    faulty.setFault(code, Fault{static_cast<FaultKind>(kind), 40, 1});
    const QByteArray clean = plain.answer(request).bytes;
    check(clean, faulty.answer(request));
    if (QTest::currentTestFailed()) {
        return;
    }
    // Once used up, the fault is gone.
    const Reply after = faulty.answer(request);
    QCOMPARE(after.bytes, clean);
    QCOMPARE(after.delayMs, 0);
    QCOMPARE(after.splitAt, -1);
}

void TestVirtualMeter::faultCountdownAndPrecedence() {
    VirtualMeter meter = challengedMeter();
    const QByteArray identity = hex(kIdentityRequest);
    const QByteArray local = hex("00 7F 8F 78");

    meter.setFault(0x25, Fault{FaultKind::Silent, 0, 2});
    QVERIFY(meter.answer(identity).bytes.isEmpty());
    QVERIFY(meter.answer(hex("39 30 00 06 0D F3 70")).bytes.isEmpty());  // unanswered: not counted
    QVERIFY(meter.answer(identity).bytes.isEmpty());
    QCOMPARE(meter.answer(identity).bytes, hex(kIdentityReply));

    // A command's own fault wins over the all-commands one.
    meter.setFault(kAllCommands, Fault{FaultKind::Silent});
    meter.setFault(0x25, Fault{FaultKind::Delay, 30});
    QCOMPARE(meter.answer(identity).delayMs, 30);
    QVERIFY(meter.answer(local).bytes.isEmpty());
    QVERIFY(meter.answer(local).bytes.isEmpty());  // times -1: stays
    meter.clearFaults();
    QVERIFY(!meter.answer(local).bytes.isEmpty());

    // A wrong-ack fault only counts against replies that carry an ack.
    meter.setFault(kAllCommands, Fault{FaultKind::WrongAck, 0, 1});
    QCOMPARE(meter.answer(identity).bytes, hex(kIdentityReply));
    QVERIFY(uint8_t(meter.answer(hex(kLoginRequest)).bytes[4]) != 0xAA);
    QCOMPARE(uint8_t(meter.answer(hex(kLoginRequest)).bytes[4]), 0xAA);
}

void TestVirtualMeter::placeEncoding() {
    QString error;
    QCOMPARE(encodePlace(QStringLiteral("ТП-15"), error), hex("D2 CF 2D 31 35"));
    QCOMPARE(encodePlace(QStringLiteral("Подстанция 12-34"), error)->size(), 16);
    QVERIFY(!encodePlace(QStringLiteral("Подстанция 12-345"), error));
    QVERIFY2(error.contains("16"), qPrintable(error));
    QVERIFY(!encodePlace(QStringLiteral("日本"), error));
    QVERIFY2(error.contains("Windows-1251"), qPrintable(error));
}

void TestVirtualMeter::badControlLineChangesNothing_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown verb") << "frobnicate"
                                  << "unknown command";
    QTest::newRow("fault without kind") << "fault 25"
                                        << "fault wants";
    QTest::newRow("code never sent") << "fault 99 silent"
                                     << "unknown command code";
    QTest::newRow("code not hex") << "fault xyz silent"
                                  << "unknown command code";
    QTest::newRow("unknown kind") << "fault 25 explode"
                                  << "unknown fault kind";
    QTest::newRow("ms on untimed kind") << "fault 25 silent 5"
                                        << "takes no ms";
    QTest::newRow("negative ms") << "fault 25 delay -3"
                                 << "bad ms";
    QTest::newRow("zero times") << "fault all delay 10 0"
                                << "bad times";
    QTest::newRow("too many words") << "fault 25 delay 10 1 2"
                                    << "fault wants";
    QTest::newRow("factory too big") << "set factory 16777216"
                                     << "bad factory";
    QTest::newRow("model not a number") << "set model 7x"
                                        << "bad model";
    QTest::newRow("empty hex") << "set version 0x"
                               << "bad version";
    QTest::newRow("unknown field") << "set colour red"
                                   << "unknown field";
    QTest::newRow("set without value") << "set model"
                                       << "set wants";
    QTest::newRow("place too long") << "set place Подстанция 12-345"
                                    << "at most 16";
    QTest::newRow("place not encodable") << "set place 日本"
                                         << "Windows-1251";
    QTest::newRow("quit with argument") << "quit now"
                                        << "unknown command";
    QTest::newRow("dst too big") << "set dst 100"
                                 << "bad dst";
    QTest::newRow("dst not hex") << "set dst 7g"
                                 << "bad dst";
    QTest::newRow("clock, no such day") << "set clock 2026-02-29 10:00:00"
                                        << "bad clock";
    QTest::newRow("clock, hour 24") << "set clock 2026-12-09 24:00:00"
                                    << "bad clock";
    QTest::newRow("clock, last century") << "set clock 1999-12-31 23:59:59"
                                         << "bad clock";
    QTest::newRow("clock without time") << "set clock 2026-12-09"
                                        << "bad clock";
    QTest::newRow("clock bytes, six") << "set clockbytes 05 30 14 03 09 12"
                                      << "bad clockbytes";
    QTest::newRow("journal 6") << "set journal 6 " + QString(100, u'0') << "bad journal";
    QTest::newRow("journal, 49 bytes") << "set journal 1 " + QString(98, u'0') << "bad journal";
    QTest::newRow("journal not hex") << "set journal 1 " + QString(98, u'0') + "0z"
                                     << "bad journal";
    QTest::newRow("limits, 15 bytes") << "set limits " + QString(30, u'0') << "bad limits";
    QTest::newRow("limits not hex") << "set limits " + QString(31, u'0') + "g"
                                    << "bad limits";
    QTest::newRow("calibration too big") << "set calibration 100"
                                         << "bad calibration";
    QTest::newRow("get unknown") << "get colour"
                                 << "unknown state";
    QTest::newRow("get nothing") << "get"
                                 << "get wants";
    QTest::newRow("energy, three counts") << "set energy active 1 2 3"
                                          << "bad energy";
    QTest::newRow("energy, unknown kind") << "set energy apparent 1 2 3 4"
                                          << "bad energy";
    QTest::newRow("energy count past 32 bits") << "set energy active 1 2 3 2147483648"
                                               << "bad energy";
    QTest::newRow("energy count not a number") << "set energy reactive 1 2 3 4x"
                                               << "bad energy";
    QTest::newRow("month 13") << "set month 13 1 2 3 4"
                              << "bad month";
    QTest::newRow("reactive month 0") << "set rmonth 0 1 2 3 4"
                                      << "bad month";
    QTest::newRow("month, five counts") << "set month 1 1 2 3 4 5"
                                        << "bad month";
    QTest::newRow("profile, no such day") << "set profile 2010-02-30 none"
                                          << "bad profile";
    QTest::newRow("profile, last century") << "set profile 1999-12-31 none"
                                           << "bad profile";
    QTest::newRow("profile, 95 bytes")
        << "set profile 2010-03-05 " + QString(190, u'0') << "bad profile";
    QTest::newRow("profile not hex") << "set profile 2010-03-05 " + QString(191, u'0') + "g"
                                     << "bad profile";
    QTest::newRow("profile, unknown shape") << "set profile 2010-03-05 maybe"
                                            << "bad profile";
    QTest::newRow("profile without words") << "set profile 2010-03-05"
                                           << "bad profile";
    QTest::newRow("latency negative") << "set latency -1"
                                      << "bad latency";
    QTest::newRow("latency too long") << "set latency 10001"
                                      << "bad latency";
    QTest::newRow("latency without ms") << "set latency"
                                        << "set wants";
    QTest::newRow("get energy without kind") << "get energy"
                                             << "get wants";
    QTest::newRow("get energy, unknown kind") << "get energy apparent"
                                              << "bad energy kind";
    QTest::newRow("get month 13") << "get month 13"
                                  << "bad month";
    QTest::newRow("get profile, month 13") << "get profile 2010-13-01"
                                           << "bad day";
    QTest::newRow("get clock with a key") << "get clock now"
                                          << "get wants";
    QTest::newRow("zones, season 13") << "set zones 13 " + QString(36, u'0') << "bad zones";
    QTest::newRow("zones, 17 bytes") << "set zones 1 " + QString(34, u'0') << "bad zones";
    QTest::newRow("zones not hex") << "set zones 1 " + QString(35, u'0') + "x"
                                   << "bad zones";
    QTest::newRow("zones without season") << "set zones " + QString(36, u'0') << "bad zones";
    QTest::newRow("calendar, 47 bytes") << "set calendar " + QString(94, u'0') << "bad calendar";
    QTest::newRow("get zones 0") << "get zones 0"
                                 << "bad season";
    QTest::newRow("get zones without season") << "get zones"
                                              << "get wants";
    QTest::newRow("get calendar with a key") << "get calendar 1"
                                             << "get wants";
}

void TestVirtualMeter::badControlLineChangesNothing() {
    QFETCH(QString, line);
    QFETCH(QString, reason);
    VirtualMeter meter(fixtureState());
    const ControlResult result = applyControlLine(meter, line);
    QVERIFY(!result.ok);
    QVERIFY(!result.quit);
    QVERIFY2(result.error.contains(reason), qPrintable(result.error));
    QVERIFY(!result.value);
    QVERIFY(!result.latencyMs);
    QVERIFY(meter.state() == fixtureState());
}

void TestVirtualMeter::controlLinesApply() {
    VirtualMeter meter(fixtureState());
    auto apply = [&meter](const char* line) {
        return applyControlLine(meter, QString::fromUtf8(line));
    };

    QVERIFY(apply("fault 0x25 delay 70 1").ok);
    QCOMPARE(meter.answer(hex(kIdentityRequest)).delayMs, 70);
    QCOMPARE(meter.answer(hex(kIdentityRequest)).delayMs, 0);

    QVERIFY(apply("fault all silent").ok);
    QVERIFY(apply("clear").ok);
    QVERIFY(!meter.answer(hex(kIdentityRequest)).bytes.isEmpty());

    QVERIFY(apply("set factory 0xABCDEF").ok);
    QVERIFY(apply("set place  ТП 15 ").ok);  // inner space kept
    QVERIFY(apply("set password -1").ok);
    QCOMPARE(meter.state().factory, 0xABCDEFu);
    QCOMPARE(meter.state().place, hex("D2 CF 20 31 35"));
    QCOMPARE(meter.state().password, -1);
    QVERIFY(apply("set password 4294967295").ok);
    QCOMPARE(meter.state().password, -1);

    const ControlResult quit = apply("quit");
    QVERIFY(quit.ok && quit.quit);
}

QTEST_GUILESS_MAIN(TestVirtualMeter)
