// The tariff schedule and the calendar of special days in the virtual meter.

#include <QStringList>
#include <QTest>

#include "sim/control.h"
#include "tst_virtual_meter.h"

using namespace vilt::sim;
using namespace vilt::sim::test;

namespace {

// T1, T2, T3, T4 in hours 0-3 of the working day, T4 at 0:00 on Saturday and at 23:00 on
// Sunday.
const char* const kZones = "1B 00 00 00 00 00 C0 00 00 00 00 00 00 00 00 00 00 03";
// 7 January a holiday, 25 December a working day, 9 January of type 2; the rest empty.
const QByteArray kCalendar = hex("41 07 12 25 81 09") + QByteArray(42, '\0');
const char* const kReadSeason3 = "39 30 00 06 03 12 BE";
const char* const kReadSeason12 = "39 30 00 06 0C E3 51";
const char* const kReadCalendar = "39 30 00 02 3A 79";
const char* const kZonesAccepted = "39 30 00 07 AA 05 4C";

QString spaced(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' '));
}

}  // namespace

void TestVirtualMeter::scheduleReplies_data() {
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    auto row = [](const char* name, const QStringList& setup, const QByteArray& request,
                  const QByteArray& reply) { QTest::newRow(name) << setup << request << reply; };
    const QStringList season3 = {QStringLiteral("set zones 3 ") + kZones};
    row("season 3 as set", season3, hex(kReadSeason3), sealed(hex("39 30 00 06") + hex(kZones)));
    row("season 12 of a fresh meter: all T1", season3, hex(kReadSeason12),
        sealed(hex("39 30 00 06") + QByteArray(18, '\0')));
    row("season 0 unanswered", {}, hex("39 30 00 06 00 22 DD"), {});
    row("season 13 unanswered", {}, hex("39 30 00 06 0D F3 70"), {});
    row("season 13 not written", {}, sealed(hex("39 30 00 07 0D") + QByteArray(18, '\0')),
        hex("39 30 00 07 00 11 EC"));
    row("calendar of a fresh meter: empty", {}, hex(kReadCalendar),
        sealed(hex("39 30 00 02") + QByteArray(48, '\0')));
    row("calendar as set", {"set calendar " + spaced(kCalendar)}, hex(kReadCalendar),
        sealed(hex("39 30 00 02") + kCalendar));
}

void TestVirtualMeter::scheduleReplies() {
    QFETCH(QStringList, setup);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    VirtualMeter meter(fixtureState());
    for (const QString& line : setup) {
        QVERIFY(applyLine(meter, line).ok);
    }
    const MeterState before = meter.state();
    QCOMPARE(meter.answer(request).bytes.toHex(' '), reply.toHex(' '));
    QVERIFY(meter.state() == before);
}

// What is written is what a later read gets, byte for byte, and nothing else changes.
void TestVirtualMeter::scheduleWrites() {
    VirtualMeter meter(fixtureState());
    QCOMPARE(meter.answer(sealed(hex("39 30 00 07 0C") + hex(kZones))).bytes.toHex(' '),
             hex(kZonesAccepted).toHex(' '));
    QCOMPARE(meter.answer(hex(kReadSeason12)).bytes.toHex(' '),
             sealed(hex("39 30 00 06") + hex(kZones)).toHex(' '));
    for (int season = 0; season < kSeasons - 1; ++season) {
        QVERIFY(meter.state().zones[season] == SeasonZones{});
    }

    // The meter keeps the records as sent, dates or not.
    const QByteArray records = QByteArray(48, '\xFF');
    QCOMPARE(meter.answer(sealed(hex("39 30 00 03") + records)).bytes.toHex(' '),
             "39 30 00 03 aa c9 88");
    QCOMPARE(meter.answer(hex(kReadCalendar)).bytes.toHex(' '),
             sealed(hex("39 30 00 02") + records).toHex(' '));

    // The acknowledgement faults reach both writes.
    meter.setFault(0x07, Fault{FaultKind::OtherAck, 0, 1});
    QCOMPARE(uint8_t(meter.answer(sealed(hex("39 30 00 07 01") + hex(kZones))).bytes[4]), 0x55);
    meter.setFault(0x03, Fault{FaultKind::WrongAck, 0, 1});
    QVERIFY(uint8_t(meter.answer(sealed(hex("39 30 00 03") + kCalendar)).bytes[4]) != 0xAA);
}

void TestVirtualMeter::scheduleControlLines() {
    VirtualMeter meter(fixtureState());
    QVERIFY(applyLine(meter, QStringLiteral("set zones 5 ") + kZones).ok);
    QCOMPARE(meter.state().zones[4][0], uint8_t(0x1B));
    QCOMPARE(meter.state().zones[4][17], uint8_t(0x03));
    QCOMPARE(applyLine(meter, "get zones 5").value,
             "1B0000000000C0000000000000000000"
             "0003");
    QCOMPARE(applyLine(meter, "get zones 12").value, QString(36, u'0'));

    QVERIFY(applyLine(meter, "set calendar  " + spaced(kCalendar) + " ").ok);
    QCOMPARE(meter.state().calendar[0], uint8_t(0x41));
    QCOMPARE(meter.state().calendar[5], uint8_t(0x09));
    QCOMPARE(applyLine(meter, "get calendar").value,
             QString::fromLatin1(kCalendar.toHex()).toUpper());
}
