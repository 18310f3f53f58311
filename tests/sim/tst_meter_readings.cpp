// Energy counts, month-end readings and the daily power profile of the virtual meter.

#include <QStringList>
#include <QTest>

#include "sim/control.h"
#include "tst_virtual_meter.h"

using namespace vilt::sim;
using namespace vilt::sim::test;

namespace {

const char* const kProfile050310 = "39 30 00 18 05 03 10 6F 3B";
const char* const kNoProfile = "39 30 00 18 FF 00 82 BD";
const char* const kClock = "set clock 2010-03-05 12:10:00";  // a Friday

// Word k has k in its high byte and FF - k in its low one; the last is flagged incomplete.
QByteArray sampleWords() {
    QByteArray out;
    for (int k = 0; k < kProfileSlots; ++k) {
        out.append(static_cast<char>((k == kProfileSlots - 1 ? 0x80 : 0) | k));
        out.append(static_cast<char>(0xFF - k));
    }
    return out;
}

char bcd(int value) {
    return static_cast<char>((value / 10) << 4 | value % 10);
}

QByteArray profileRequest(QDate date) {
    QByteArray request = hex("39 30 00 18");
    request.append(bcd(date.day()));
    request.append(bcd(date.month()));
    request.append(bcd(date.year() % 100));
    return sealed(request);
}

// The 48 words of a 105-byte profile reply; all zero if it is none.
ProfileWords wireWords(const QByteArray& reply) {
    ProfileWords words{};
    if (reply.size() != 105 || !crcMatches(reply) || reply.sliced(4, 3) != hex("00 00 00")) {
        qWarning("not a profile with words: %s", reply.toHex(' ').constData());
        return words;
    }
    for (int k = 0; k < kProfileSlots; ++k) {
        words[k] =
            static_cast<uint16_t>(uint8_t(reply[7 + 2 * k]) << 8 | uint8_t(reply[8 + 2 * k]));
    }
    return words;
}

// The four counts of a 22-byte reply to 12 or 16; all zero if it is not one.
TariffCounts wireCounts(const QByteArray& reply) {
    TariffCounts counts{};
    if (reply.size() != 22 || !crcMatches(reply)) {
        qWarning("not a counts reply: %s", reply.toHex(' ').constData());
        return counts;
    }
    for (int t = 0; t < kTariffCount; ++t) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | uint8_t(reply[4 + 4 * t + i]);
        }
        counts[t] = static_cast<int32_t>(value);
    }
    return counts;
}

VirtualMeter meterAt(QDate date, QTime time) {
    MeterState state = fixtureState();
    state.clock = QDateTime(date, time);
    return VirtualMeter(state);
}

}  // namespace

void TestVirtualMeter::readings_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    auto row = [](const char* name, const QStringList& setup, const char* request,
                  const QByteArray& reply) {
        QTest::newRow(name) << setup << hex(request) << reply;
    };
    const QStringList counts = {"set energy active 12345 -1 -2147483648 2147483647",
                                "set energy reactive 1 2 3 4"};
    row("energy, active, low byte first", counts, "39 30 00 12 00 ED 6A",
        hex("39 30 00 12 39 30 00 00 FF FF FF FF 00 00 00 80 FF FF FF 7F 1A AB"));
    row("energy, reactive", counts, "39 30 00 12 01 FD 4B",
        sealed(hex("39 30 00 12 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00")));
    row("energy, kind 02 unanswered", {}, "39 30 00 12 02 CD 28", {});

    const QStringList months = {"set month 12 100 200 300 400", "set rmonth 12 5 6 7 8",
                                "set month 11 1 1 1 1"};
    row("December, active", months, "39 30 00 16 0C 00 DF 2E",
        sealed(hex("39 30 00 16 64 00 00 00 C8 00 00 00 2C 01 00 00 90 01 00 00")));
    row("December, reactive", months, "39 30 00 16 0C 01 CF 0F",
        sealed(hex("39 30 00 16 05 00 00 00 06 00 00 00 07 00 00 00 08 00 00 00")));
    row("month 0 unanswered", {}, "39 30 00 16 00 00 9A 43", {});
    row("month 13 unanswered", {}, "39 30 00 16 0D 00 EC 1F", {});
    row("month-end, kind 02 unanswered", {}, "39 30 00 16 01 02 89 30", {});

    const QString words = QString::fromLatin1(sampleWords().toHex(' '));
    row("profile 05.03.2010 as set", {"set profile 2010-03-05 " + words}, kProfile050310,
        sealed(hex("39 30 00 18 00 00 00") + sampleWords()));
    row("profile none, over the default", {kClock, "set profile 2010-03-05 none"}, kProfile050310,
        hex(kNoProfile));
    row("profile absent105", {"set profile 2010-03-05 absent105"}, kProfile050310,
        sealed(hex("39 30 00 18 FF") + QByteArray(98, '\0')));
    row("profile odd8", {kClock, "set profile 2010-03-05 odd8"}, kProfile050310,
        hex("39 30 00 18 00 00 81 42"));
    row("profile, day not BCD", {kClock}, "39 30 00 18 0A 03 10 43 0A", hex(kNoProfile));
    row("profile, 30 February", {kClock}, "39 30 00 18 30 02 10 72 5F", hex(kNoProfile));
    row("profile, all FF", {kClock}, "39 30 00 18 FF FF FF 11 C5", hex(kNoProfile));
}

void TestVirtualMeter::readings() {
    QFETCH(QStringList, setup);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    VirtualMeter meter(fixtureState());
    for (const QString& line : setup) {
        const ControlResult result = applyControlLine(meter, line);
        QVERIFY2(result.ok, qPrintable(line + ": " + result.error));
    }
    QCOMPARE(meter.answer(request).bytes.toHex(' '), reply.toHex(' '));
}

// A fresh meter has counts to show, and month-end readings that grow towards them.
void TestVirtualMeter::defaultReadings() {
    VirtualMeter meter(fixtureState());
    for (const char kind : {'\0', '\1'}) {
        const TariffCounts now = wireCounts(meter.answer(sealed(hex("39 30 00 12") + kind)).bytes);
        TariffCounts before{};
        for (int month = 1; month <= kMonthCount; ++month) {
            QByteArray request = hex("39 30 00 16");
            request.append(static_cast<char>(month));
            request.append(kind);
            const TariffCounts end = wireCounts(meter.answer(sealed(request)).bytes);
            for (int t = 0; t < kTariffCount; ++t) {
                QVERIFY2(end[t] > before[t] && end[t] < now[t],
                         qPrintable(QStringLiteral("kind %1 month %2 T%3: %4")
                                        .arg(int(kind))
                                        .arg(month)
                                        .arg(t + 1)
                                        .arg(end[t])));
            }
            before = end;
        }
    }
}

void TestVirtualMeter::defaultProfile_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("ended");  // half hours with energy; -1: no profile
    // The meter's clock reads 12:10 on 5 March 2010.
    QTest::newRow("today") << QDate(2010, 3, 5) << 24;
    QTest::newRow("yesterday") << QDate(2010, 3, 4) << 48;
    QTest::newRow("62 days before") << QDate(2010, 1, 2) << 48;
    QTest::newRow("63 days before") << QDate(2010, 1, 1) << -1;
    QTest::newRow("tomorrow") << QDate(2010, 3, 6) << -1;
}

void TestVirtualMeter::defaultProfile() {
    QFETCH(QDate, date);
    QFETCH(int, ended);
    VirtualMeter meter = meterAt(QDate(2010, 3, 5), QTime(12, 10));
    const QByteArray reply = meter.answer(profileRequest(date)).bytes;
    if (ended < 0) {
        QCOMPARE(reply.toHex(' '), hex(kNoProfile).toHex(' '));
        return;
    }
    const ProfileWords words = wireWords(reply);
    // The same day seen once it is over, and the day before: the curve follows the date.
    VirtualMeter later = meterAt(date.addDays(1), QTime(12, 0));
    const ProfileWords full = wireWords(later.answer(profileRequest(date)).bytes);
    const ProfileWords dayBefore = wireWords(later.answer(profileRequest(date.addDays(-1))).bytes);
    QVERIFY(full != dayBefore);
    for (int k = 0; k < kProfileSlots; ++k) {
        const QByteArray slot = QByteArray::number(k);
        QVERIFY2(full[k] >= 20 && full[k] <= 300, slot);  // 0.2..3 kW·h, no flag
        QCOMPARE(words[k], k < ended ? full[k] : kSliceIncomplete);
    }
}

void TestVirtualMeter::defaultProfileFollowsTheHostClock() {
    VirtualMeter meter(fixtureState());
    const QDate today = QDate::currentDate();
    const QByteArray reply = meter.answer(profileRequest(today)).bytes;
    QCOMPARE(reply.size(), 105);
    QCOMPARE(reply.sliced(4, 3).toHex(' '), "00 00 00");
    QCOMPARE(meter.answer(profileRequest(today.addDays(-100))).bytes.toHex(' '),
             hex(kNoProfile).toHex(' '));
}

void TestVirtualMeter::readingControlLines() {
    VirtualMeter meter(fixtureState());
    auto apply = [&meter](const QString& line) { return answerTo(meter, line); };

    QCOMPARE(apply("set energy  reactive -5 0 7  2147483647"), "(no value)");
    QCOMPARE(apply("get energy reactive"), "-5 0 7 2147483647");
    QCOMPARE(meter.state().energy[1], (TariffCounts{-5, 0, 7, INT32_MAX}));
    QCOMPARE(meter.state().energy[0], defaultEnergy()[0]);

    QCOMPARE(apply("set rmonth 1 10 20 30 40"), "(no value)");
    QCOMPARE(apply("get rmonth 1"), "10 20 30 40");
    QCOMPARE(meter.state().monthEnds[0], defaultMonthEnds()[0]);  // active untouched
    QCOMPARE(apply("set month 12 -1 -2 -3 -4"), "(no value)");
    QCOMPARE(apply("get month 12"), "-1 -2 -3 -4");

    // Words go in high byte first, as they go out.
    const QByteArray words = sampleWords();
    QCOMPARE(apply("set profile 2010-03-05 " + QString::fromLatin1(words.toHex(' '))),
             "(no value)");
    const ProfileDay& day = meter.state().profiles[QDate(2010, 3, 5)];
    QCOMPARE(day.words[1], uint16_t(0x01FE));
    QCOMPARE(day.words[47], uint16_t(0xAFD0));
    QCOMPARE(apply("get profile 2010-03-05"), QString::fromLatin1(words.toHex()).toUpper());
    QCOMPARE(apply("set profile 2010-03-05 odd8"), "(no value)");
    QCOMPARE(apply("get profile 2010-03-05"), "odd8");
    // Back to the default rule, which has nothing that long ago.
    QCOMPARE(apply("set profile 2010-03-05 default"), "(no value)");
    QVERIFY(meter.state().profiles.isEmpty());
    QCOMPARE(apply("get profile 2010-03-05"), "none");
    QCOMPARE(apply("get profile " + QDate::currentDate().toString(u"yyyy-MM-dd")).size(), 192);

    // The latency is the line's business: handed back, not kept by the meter.
    const ControlResult latency = applyControlLine(meter, u"set latency 250");
    QVERIFY(latency.ok);
    QCOMPARE(latency.latencyMs, 250);
    QCOMPARE(meter.answer(hex(kIdentityRequest)).delayMs, 0);
}
