// The meter clock: the frame both ways, the four commands and the clock group of the Read
// and Write operations, against the virtual meter.

#include <QtTest>

#include "ops/clock.h"
#include "ops/operations.h"
#include "support/meter_rig.h"

using namespace vilt;
using link::Status;
using sim::Fault;
using sim::FaultKind;

namespace {
QByteArray frame(std::initializer_list<int> bytes) {
    QByteArray out;
    for (int b : bytes) out.append(char(b));
    return out;
}
std::span<const uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}
}  // namespace

class TstClock : public QObject {
    Q_OBJECT
  private slots:
    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("weekday");
        QTest::newRow("a Wednesday") << frame({0x05, 0x30, 0x14, 0x03, 0x09, 0x12, 0x26})
                                     << QTime(14, 30, 5) << QDate(2026, 12, 9) << 3;
        QTest::newRow("year 2099") << frame({0x59, 0x59, 0x23, 0x07, 0x31, 0x12, 0x99})
                                   << QTime(23, 59, 59) << QDate(2099, 12, 31) << 7;
        QTest::newRow("leap day") << frame({0, 0, 0, 0x01, 0x29, 0x02, 0x24}) << QTime(0, 0)
                                  << QDate(2024, 2, 29) << 1;
    }
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QTime, time);
        QFETCH(QDate, date);
        QFETCH(int, weekday);
        const ops::ClockReading reading = ops::decodeClock(span(bytes));
        QCOMPARE(reading.time, std::optional(time));
        QCOMPARE(reading.date, std::optional(date));
        QCOMPARE(reading.weekday, weekday);
    }

    void notRealTimesAndDates_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("hour 24") << frame({0x05, 0x30, 0x24, 3, 0x09, 0x12, 0x26})
                                 << "'24:30:05' is not a valid time";
        QTest::newRow("nibble above 9")
            << frame({0x05, 0x3A, 0x14, 3, 0x09, 0x12, 0x26}) << "'14:310:05' is not a valid time";
        QTest::newRow("31 February")
            << frame({0x05, 0x30, 0x14, 3, 0x31, 0x02, 0x26}) << "'31.02.2026' is not a valid date";
        QTest::newRow("month 0") << frame({0x05, 0x30, 0x14, 3, 0x09, 0x00, 0x26})
                                 << "'09.00.2026' is not a valid date";
    }
    // A bad time gives nothing to show; a bad date comes after the time, and the read ends
    // there without the DST read.
    void notRealTimesAndDates() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        test::MeterRig rig;
        rig.meter.state().frozenClock = bytes;
        const ops::ClockOutcome outcome = ops::readClock(rig.exchange);
        QCOMPARE(outcome.status, Status::Garbled);
        QCOMPARE(outcome.error, error);
        const bool timeIsFine = error.contains("date");
        QCOMPARE(outcome.time, timeIsFine ? std::optional(QTime(14, 30, 5)) : std::nullopt);
        QCOMPARE(outcome.date, std::nullopt);
        QCOMPARE(outcome.weekday, std::nullopt);
        QVERIFY(!outcome.dst);
        QCOMPARE(rig.requests(0x0E).size(), 0);
    }

    void encode() {
        const auto bytes = ops::encodeClock(QTime(9, 5, 7), QDate(2027, 1, 1));  // a Friday
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()), 7),
                 frame({0x07, 0x05, 0x09, 0x05, 0x01, 0x01, 0x27}));
        QCOMPARE(ops::encodeClock(QTime(0, 0), QDate(2026, 12, 13))[3], uint8_t{7});  // Sunday
        QCOMPARE(ops::encodeClock(QTime(0, 0), QDate(1999, 5, 1))[6], uint8_t{0x99});
    }

    void dayNames() {
        QCOMPARE(ops::dayName(1), std::optional<QString>("Понедельник"));
        QCOMPARE(ops::dayName(7), std::optional<QString>("Воскресенье"));
        QCOMPARE(ops::dayName(0), std::nullopt);
        QCOMPARE(ops::dayName(8), std::nullopt);
    }

    void readShowsTheMetersClock() {
        test::MeterRig rig;
        rig.meter.state().frozenClock = frame({0x05, 0x30, 0x14, 0x03, 0x09, 0x12, 0x26});
        rig.meter.state().dst = 0x01;  // anything but 0x77 forbids
        const auto outcome =
            ops::readSelected(rig.exchange, ops::Group::Time).clock;
        QCOMPARE(outcome->time, std::optional(QTime(14, 30, 5)));
        QCOMPARE(outcome->date, std::optional(QDate(2026, 12, 9)));
        QCOMPARE(outcome->weekday, std::optional(3));
        QVERIFY(!outcome->dst);
        QCOMPARE(outcome->status, Status::Done);
        QCOMPARE(outcome->operation, link::Operation::ReadClock);
        // The window handles its messages between the clock and the DST read.
        const QStringList log = rig.clock.log();
        const auto clockRead = log.indexOf("write 39 30 00 10 08 0A");
        QCOMPARE(log.mid(clockRead + 4, 2), QStringList({"read 13", "messages"}));
        QVERIFY(log[clockRead + 6].startsWith("write 39 30 00 0E"));
    }

    void weekdayZeroLeavesTheDayName() {
        test::MeterRig rig;
        rig.meter.state().frozenClock = frame({0x05, 0x30, 0x14, 0x00, 0x09, 0x12, 0x26});
        const auto outcome = ops::readClock(rig.exchange);
        QCOMPARE(outcome.weekday, std::nullopt);
        QCOMPARE(outcome.date, std::optional(QDate(2026, 12, 9)));
    }

    // Every DST read fails: three attempts, the box left unchecked, the last clock shown.
    void dstReadsFail() {
        test::MeterRig rig;
        rig.meter.state().frozenClock = frame({0x05, 0x30, 0x14, 0x03, 0x09, 0x12, 0x26});
        rig.meter.setFault(0x0E, Fault{FaultKind::BadCrc});
        const auto outcome = ops::readClock(rig.exchange);
        QCOMPARE(rig.requests(0x10).size(), 3);
        QCOMPARE(rig.requests(0x0E).size(), 3);
        QVERIFY(!outcome.dst);
        QCOMPARE(outcome.time, std::optional(QTime(14, 30, 5)));
        QCOMPARE(outcome.status, Status::NoLink);
    }

    void readRefusals_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<FaultKind>("fault");
        QTest::newRow("12-byte clock reply") << 0x10 << FaultKind::MissingByte;
        QTest::newRow("clock reply with another code") << 0x10 << FaultKind::WrongCode;
        QTest::newRow("DST reply with another code") << 0x0E << FaultKind::WrongCode;
    }
    void readRefusals() {
        QFETCH(int, code);
        QFETCH(FaultKind, fault);
        test::MeterRig rig;
        rig.meter.setFault(code, Fault{fault});
        QCOMPARE(ops::readClock(rig.exchange).status, Status::NoLink);
    }

    void writeSendsPickersAndDst() {
        test::MeterRig rig;
        ops::WriteInputs inputs{QTime(9, 5, 7), QDate(2027, 1, 1), false, {}, 0};
        const auto outcome = ops::writeSelected(rig.exchange, ops::Group::Time, inputs);
        QCOMPARE(rig.requests(0x11).value(0).mid(3, 8), frame({0x11, 7, 5, 9, 5, 1, 1, 0x27}));
        QCOMPARE(rig.requests(0x11).value(0).size(), 13);
        QCOMPARE(rig.requests(0x0F).value(0).mid(3, 2), frame({0x0F, 0x00}));
        QCOMPARE(rig.meter.state().dst, uint8_t{0});
        QCOMPARE(outcome->status, Status::Done);
        QCOMPARE(outcome->operation, link::Operation::WriteClock);
        QCOMPARE(rig.clock.log().filter("wait 100").size(), 1);  // the settling wait first

        inputs.dst = true;
        ops::writeSelected(rig.exchange, ops::Group::Time, inputs);
        QCOMPARE(rig.requests(0x0F).value(1).mid(3, 2), frame({0x0F, 0x77}));
    }

    void writeFailures_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<FaultKind>("fault");
        QTest::newRow("clock write fails, DST write succeeds") << 0x11 << FaultKind::Silent;
        QTest::newRow("wrong acknowledgement") << 0x11 << FaultKind::WrongAck;
        QTest::newRow("DST write with a bad CRC") << 0x0F << FaultKind::BadCrc;
    }
    void writeFailures() {
        QFETCH(int, code);
        QFETCH(FaultKind, fault);
        test::MeterRig rig;
        rig.meter.setFault(code, Fault{fault});
        const auto outcome = ops::writeClock(rig.exchange, QTime(1, 2, 3), QDate(2001, 2, 3), true);
        QCOMPARE(rig.requests(0x11).size(), 1);
        QCOMPARE(rig.requests(0x0F).size(), 1);  // sent even after a failed clock write
        QCOMPARE(outcome.status, Status::NoLink);
    }

    void synchronise() {
        test::MeterRig rig;
        const QDateTime sunday(QDate(2026, 12, 13), QTime(10, 20, 30));
        const auto outcome = ops::syncClock(rig.exchange, sunday, true);
        QCOMPARE(rig.requests(0x11).size(), 1);
        QCOMPARE(uint8_t(rig.requests(0x11)[0][7]), uint8_t{7});
        QCOMPARE(outcome.operation, link::Operation::SyncClock);
        QCOMPARE(outcome.status, Status::Done);
        QVERIFY(!rig.clock.log().contains("wait 100"));  // no settling wait
    }

    // The command line keeps the meter's DST permission: read with the retries of a read.
    void dstReadRetries() {
        test::MeterRig rig;
        rig.meter.state().dst = 0x77;
        rig.meter.setFault(0x0E, Fault{FaultKind::Silent, 0, 2});
        const auto outcome = ops::readDst(rig.exchange);
        QCOMPARE(outcome.status, Status::Done);
        QVERIFY(outcome.allowed);
        QCOMPARE(rig.requests(0x0E).size(), 3);
        rig.meter.setFault(0x0E, Fault{FaultKind::BadCrc});
        QCOMPARE(ops::readDst(rig.exchange).status, Status::NoLink);
        QCOMPARE(rig.requests(0x0E).size(), 6);
    }
};

QTEST_GUILESS_MAIN(TstClock)
#include "tst_clock.moc"
