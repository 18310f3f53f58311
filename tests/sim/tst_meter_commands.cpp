// The clock, journals, load limits, calibration and the write commands of the virtual meter.

#include <QTest>
#include <functional>

#include "sim/control.h"
#include "sim/scramble.h"
#include "tst_virtual_meter.h"

using namespace vilt::sim;
using namespace vilt::sim::test;

namespace {

using StateCheck = std::function<void(VirtualMeter&)>;

// 14:30:05 on Wednesday 9 Dec 2026.
const char* const kExampleClock = "05 30 14 03 09 12 26";
const char* const kReadClock = "39 30 00 10 08 0A";
const char* const kClockAccepted = "39 30 00 11 AA AC 99";
const char* const kClockRefused = "39 30 00 11 00 B8 39";
const char* const kReadLimits = "39 30 00 2B 8F 32";
const char* const kReadCalibration = "39 30 00 27 4E BE";
const char* const kSerialStepOne = "39 30 00 5F B1 21";
// A bound for slow sanitizer builds, not a speed target.
constexpr int kSlackSeconds = 5;

int fromBcd(char byte) {
    return (uint8_t(byte) >> 4) * 10 + (byte & 0x0F);
}

QByteArray withZeros(const char* head, int zeros, const char* crc) {
    return hex(head) + QByteArray(zeros, '\0') + hex(crc);
}

MeterState frozenState() {
    MeterState state = fixtureState();
    state.frozenClock = hex(kExampleClock);
    return state;
}

// The clock as read over the line now; fails the test if the reply is not a clock frame.
MeterTime readClock(VirtualMeter& meter) {
    const QByteArray reply = meter.answer(hex(kReadClock)).bytes;
    const auto time = decodeClockFrame(reply.sliced(4, 7));
    if (reply.size() != 13 || !time) {
        qWarning("not a clock reply: %s", reply.toHex(' ').constData());
        return {};
    }
    return *time;
}

void verifyLogin(VirtualMeter& meter, int32_t password, bool accepted) {
    meter.setNextChallenge(kChallenge);
    meter.answer(hex(kChallengeRequest));
    QByteArray login = hex("39 30 00 20");
    const uint32_t code = passwordCode(password, kChallenge);
    for (int shift = 0; shift < 32; shift += 8) {
        login.append(static_cast<char>(code >> shift));
    }
    QCOMPARE(uint8_t(meter.answer(sealed(login)).bytes[4]), accepted ? 0xAA : 0x00);
}

}  // namespace

Q_DECLARE_METATYPE(StateCheck)

void TestVirtualMeter::commands_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<StateCheck>("check");
    auto row = [](const char* name, const QByteArray& request, const QByteArray& reply,
                  StateCheck check = {}) { QTest::newRow(name) << request << reply << check; };
    row("read clock", hex(kReadClock), hex("39 30 00 10 05 30 14 03 09 12 26 EA 20"));
    row("read dst", hex("39 30 00 0E FB F5"), hex("39 30 00 0E 77 A5 04"));
    row("write dst", hex("39 30 00 0F 05 C8 E0"), hex("39 30 00 0F AA 8C E5"),
        [](VirtualMeter& meter) {
            QCOMPARE(meter.answer(hex("39 30 00 0E FB F5")).bytes, hex("39 30 00 0E 05 FB D1"));
        });
    row("journal 0", hex("39 30 00 14 00 47 CC"),
        withZeros("39 30 00 14 15 03 10 08 45 02 11 26 07 10 28 11 26 16 02", 35, "F2 30"));
    row("no journal 6", hex("39 30 00 14 06 27 0A"), withZeros("39 30 00 14", 50, "43 31"));
    row("write place, cut at the zero",
        hex("39 30 00 19 41 42 00 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 2E CF"),
        hex("39 30 00 19 AA 25 30"), [](VirtualMeter& meter) {
            QCOMPARE(meter.state().place, QByteArray("AB"));
            QCOMPARE(meter.answer(hex(kIdentityRequest)).bytes.sliced(10, 16),
                     QByteArray("AB") + QByteArray(14, '\0'));
        });
    row("write place, all 16 bytes", sealed(hex("39 30 00 19") + QByteArray(16, 'x')),
        hex("39 30 00 19 AA 25 30"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().place, QByteArray(16, 'x')); });
    row("reset", hex("39 30 00 23 0E 3A"), hex("39 30 00 23 AA CF 6E"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().resets, 1); });
    row("write password", hex("39 30 00 21 D2 04 00 00 7D 16"), hex("39 30 00 21 55 B7 FC"),
        [](VirtualMeter& meter) {
            QCOMPARE(meter.state().password, 1234);
            verifyLogin(meter, 1234, true);
            verifyLogin(meter, fixtureState().password, false);
        });
    row("write password, signed", hex("39 30 00 21 FF FF FF FF 7D 72"), hex("39 30 00 21 55 B7 FC"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().password, -1); });
    row("write speed 9600", hex("39 30 00 1D 02 DD 16"), hex("39 30 00 1D AA E9 F4"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().speedCode, 2); });
    row("speed code 3 refused", hex("39 30 00 1D 03 CD 37"), hex("39 30 00 1D 00 FD 54"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().speedCode, 0); });
    row("reset for another meter", hex("3A 30 00 23 95 E6"), {},
        [](VirtualMeter& meter) { QCOMPARE(meter.state().resets, 0); });
    // Flags 98, 150.00 kW, T1 10000.00 kW·h, T2 5000.00, T3 2000.00, T4 1000.00, aux 21.
    row("read limits", hex(kReadLimits),
        hex("39 30 00 2B 98 98 3A 40 42 0F 20 A1 07 40 0D 03 A0 86 01 21 B0 2C"));
    // 100.00 kW, T1 1000.00 kW·h, T4 the largest 24-bit value.
    row("write limits", hex("39 30 00 2C 01 10 27 A0 86 01 00 00 00 00 00 00 FF FF FF 00 F0 C4"),
        hex("39 30 00 2C AA DF 50"), [](VirtualMeter& meter) {
            const QByteArray record = hex("01 10 27 A0 86 01 00 00 00 00 00 00 FF FF FF 00");
            QCOMPARE(meter.state().limits, record);
            QCOMPARE(meter.answer(hex(kReadLimits)).bytes, sealed(hex("39 30 00 2B") + record));
        });
    row("read calibration", hex(kReadCalibration), hex("39 30 00 27 25 63 CD"));
    row("write calibration", hex("39 30 00 28 5A FC 8B"), hex("39 30 00 28 AA 13 94"),
        [](VirtualMeter& meter) {
            QCOMPARE(meter.answer(hex(kReadCalibration)).bytes, hex("39 30 00 27 5A EC B5"));
        });
    row("512 Hz output on, trailing zero", hex("39 30 00 15 58 AF 00"), hex("39 30 00 15 AA 60 5D"),
        [](VirtualMeter& meter) { QCOMPARE(meter.state().out512, 1); });
}

void TestVirtualMeter::commands() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(StateCheck, check);
    VirtualMeter meter(frozenState());
    QCOMPARE(meter.answer(request).bytes.toHex(' '), reply.toHex(' '));
    if (check) {
        check(meter);
    }
}

void TestVirtualMeter::clockWrite_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("example") << hex(kExampleClock) << true;
    QTest::newRow("leap day") << hex("00 00 12 02 29 02 28") << true;
    QTest::newRow("last year") << hex("30 20 10 04 31 12 99") << true;
    QTest::newRow("day number kept as sent") << hex("00 00 12 09 29 02 28") << true;
    QTest::newRow("seconds nibble A") << hex("0A 00 12 05 31 12 26") << false;
    QTest::newRow("year nibble A") << hex("00 00 12 05 31 12 2A") << false;
    QTest::newRow("month 0") << hex("00 00 12 05 01 00 26") << false;
    QTest::newRow("month 13") << hex("00 00 12 05 01 13 26") << false;
    QTest::newRow("31 November") << hex("00 00 12 05 31 11 26") << false;
    QTest::newRow("29 February 2027") << hex("00 00 12 05 29 02 27") << false;
    QTest::newRow("day 0") << hex("00 00 12 05 00 12 26") << false;
    QTest::newRow("hour 24") << hex("00 00 24 05 31 12 26") << false;
    QTest::newRow("minute 60") << hex("00 60 12 05 31 12 26") << false;
    QTest::newRow("second 60") << hex("60 00 12 05 31 12 26") << false;
}

void TestVirtualMeter::clockWrite() {
    QFETCH(QByteArray, frame);
    QFETCH(bool, accepted);
    VirtualMeter meter(frozenState());
    const QByteArray reply = meter.answer(sealed(hex("39 30 00 11") + frame)).bytes;
    QCOMPARE(reply.toHex(' '), hex(accepted ? kClockAccepted : kClockRefused).toHex(' '));
    if (!accepted) {
        QVERIFY(meter.state() == frozenState());
        return;
    }
    // The write unfreezes the clock, and the clock runs on from the time written.
    QVERIFY(meter.state().frozenClock.isEmpty());
    const QByteArray read = meter.answer(hex(kReadClock)).bytes.sliced(4, 7);
    QCOMPARE(read.sliced(1).toHex(' '), frame.sliced(1).toHex(' '));
    const int ran = fromBcd(read[0]) - fromBcd(frame[0]);
    QVERIFY2(ran >= 0 && ran <= kSlackSeconds, read.toHex(' '));
}

void TestVirtualMeter::clockRuns_data() {
    QTest::addColumn<int>("weekday");
    QTest::addColumn<int>("nextDay");
    QTest::newRow("from the date") << 0 << 1;
    QTest::newRow("meter's own number") << 3 << 4;
    QTest::newRow("Sunday to Monday") << 7 << 1;
    QTest::newRow("not a day number") << 9 << 9;
}

void TestVirtualMeter::clockRuns() {
    QFETCH(int, weekday);
    QFETCH(int, nextDay);
    MeterState state = fixtureState();
    state.clock = QDateTime(QDate(2026, 12, 13), QTime(23, 59, 59, 900));  // a Sunday
    state.weekday = weekday;
    VirtualMeter meter(state);
    meter.restartClock();
    QTest::qSleep(150);
    const MeterTime now = readClock(meter);
    QCOMPARE(now.date, QDate(2026, 12, 14));
    QVERIFY2(now.time <= QTime(0, 0, kSlackSeconds), qPrintable(now.time.toString()));
    QCOMPARE(now.weekday, nextDay);
    QCOMPARE(meter.state().clock, state.clock);  // reading leaves the set moment alone
}

void TestVirtualMeter::hostClock() {
    VirtualMeter meter(fixtureState());
    const QDateTime before = QDateTime::currentDateTime();
    const MeterTime now = readClock(meter);
    const qint64 off = before.secsTo(QDateTime(now.date, now.time));
    QVERIFY2(off >= -1 && off <= kSlackSeconds, qPrintable(formatMeterTime(now)));
    QCOMPARE(now.weekday, now.date.dayOfWeek());
}

void TestVirtualMeter::serialNumberInTwoSteps() {
    VirtualMeter meter(fixtureState());
    auto send = [&meter](const char* request) {
        return meter.answer(hex(request)).bytes.toHex(' ');
    };
    const char* const set300 = "39 30 00 6F 2C 01 00 00 75 31";
    const char* const setMinus2 = "39 30 00 6F FE FF FF FF D5 06";
    const QByteArray accepted = "39 30 00 6f aa 87 cf";
    const QByteArray refused = "39 30 00 6f 00 93 6f";

    QCOMPARE(send(set300), refused);  // no first step yet
    QCOMPARE(meter.state().serialNumber, 0);
    QCOMPARE(send(kSerialStepOne), "39 30 00 5f aa 82 5a");
    QCOMPARE(meter.state().serialNumber, 0);
    QCOMPARE(send(set300), accepted);
    QCOMPARE(meter.state().serialNumber, 300);
    // The first step is used up by the second.
    QCOMPARE(send(setMinus2), refused);
    QCOMPARE(meter.state().serialNumber, 300);
    send(kSerialStepOne);
    QCOMPARE(send(setMinus2), accepted);
    QCOMPARE(meter.state().serialNumber, -2);
}

void TestVirtualMeter::stateControlLines() {
    VirtualMeter meter(fixtureState());
    auto apply = [&meter](const QString& line) { return answerTo(meter, line); };
    auto read = [&meter](const char* request) { return meter.answer(hex(request)).bytes; };

    QCOMPARE(apply("get place"), "ТП-15");
    QCOMPARE(apply("get password"), "2147458331");
    QCOMPARE(apply("get dst"), "77");
    QCOMPARE(apply("get speed"), "0");
    QCOMPARE(apply("get resets"), "0");
    QCOMPARE(apply("get limits"), "98983A40420F20A107400D03A0860121");
    QCOMPARE(apply("get calibration"), "25");
    QCOMPARE(apply("get serial"), "0");
    QCOMPARE(apply("get out512"), "0");

    const QString record = "00 E8 03 01 00 00 02 00 00 03 00 00 04 00 00 FF";
    QCOMPARE(apply("set limits " + record), "(no value)");
    QCOMPARE(read(kReadLimits), sealed(hex("39 30 00 2B") + hex(qPrintable(record))));
    QCOMPARE(apply("get limits"), "00E803010000020000030000040000FF");
    QCOMPARE(apply("set calibration 0xA5"), "(no value)");
    QCOMPARE(read(kReadCalibration).toHex(' '), sealed(hex("39 30 00 27 A5")).toHex(' '));
    QCOMPARE(apply("get calibration"), "A5");
    read(kSerialStepOne);
    read("39 30 00 6F FE FF FF FF D5 06");
    QCOMPARE(apply("get serial"), "-2");
    read("39 30 00 15 58 AF 00");
    read("39 30 00 15 58 AF 00");
    QCOMPARE(apply("get out512"), "2");

    QCOMPARE(apply("set dst 0x5"), "(no value)");
    QCOMPARE(read("39 30 00 0E FB F5"), hex("39 30 00 0E 05 FB D1"));
    QCOMPARE(apply("get dst"), "05");

    const QByteArray odd = hex("99 99 99 24 61") + QByteArray(45, '\x11');
    QVERIFY(!apply("set journal 5 " + QString::fromLatin1(odd.toHex(' '))).isEmpty());
    QCOMPARE(read("39 30 00 14 05 17 69").sliced(4, 50), odd);

    QVERIFY(!apply("set clockbytes 99 99 99 09 99 99 99").isEmpty());
    QCOMPARE(read(kReadClock).sliced(4, 7), hex("99 99 99 09 99 99 99"));
    QCOMPARE(apply("get clock"), "invalid 99 99 99 09 99 99 99");

    // Setting the clock unfreezes it; the day number follows the date.
    QVERIFY(!apply("set clock  2027-01-01 08:00:00").isEmpty());
    QVERIFY(meter.state().frozenClock.isEmpty());
    const QString clock = apply("get clock");
    QVERIFY2(clock.startsWith("2027-01-01 08:00:0") && clock.endsWith(" 5"), qPrintable(clock));
}
