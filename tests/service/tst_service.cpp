// The service commands: the calibration byte both ways, what the user may type, and the
// requests against the virtual meter.

#include <QtTest>

#include "service/service.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"

using namespace vilt;
using service::Calibration;

class TstService : public QObject {
    Q_OBJECT
  private slots:
    void calibrationBytes() {
        QCOMPARE(service::decodeCalibration(0x25), (Calibration{true, 5}));
        QCOMPARE(service::decodeCalibration(0x05), (Calibration{false, 5}));
        QCOMPARE(service::decodeCalibration(0x20), (Calibration{true, 0}));
        QCOMPARE(service::calibrationByte("5", true), std::optional<uint8_t>(0x25));
        QCOMPARE(service::calibrationByte("31", false), std::optional<uint8_t>(0x1F));
        for (const char* refused : {"32", "-1", "x", "", "+5", "5x", "1e1"})
            QCOMPARE(service::calibrationByte(refused, false), std::nullopt);
    }

    void badInputSendsNothing() {
        test::MeterRig rig;
        // A meter number is 0 … 99999999: a negative one or a ninth digit is refused, not sent
        // as its two's complement or cut.
        for (const auto& outcome : {service::writeCalibration(rig.exchange, "32", false),
                                    service::writeSerialNumber(rig.exchange, "12x"),
                                    service::writeSerialNumber(rig.exchange, "-5"),
                                    service::writeSerialNumber(rig.exchange, "123456789"),
                                    service::writeSerialNumber(rig.exchange, "1e3")}) {
            QCOMPARE(outcome.status, link::Status::Refused);
            QCOMPARE(outcome.messages, QStringList{service::kBadInput});
        }
        QVERIFY(rig.meter.requests().isEmpty());
    }

    // Three attempts: a garbled or late reply is asked for again.
    void readAttempts_data() {
        QTest::addColumn<sim::FaultKind>("fault");
        QTest::addColumn<int>("failures");
        QTest::newRow("late once") << sim::FaultKind::Silent << 1;
        QTest::newRow("garbled twice") << sim::FaultKind::BadCrc << 2;
        QTest::newRow("late three times") << sim::FaultKind::Silent << 3;
    }
    void readAttempts() {
        QFETCH(sim::FaultKind, fault);
        QFETCH(int, failures);
        test::MeterRig rig;
        rig.meter.state().calibration = 0x25;
        rig.meter.setFault(0x27, sim::Fault{fault, 0, failures});
        const auto read = service::readCalibration(rig.exchange);
        QCOMPARE(rig.requests(0x27).size(), std::min(failures + 1, 3));
        QCOMPARE(read.ok(), failures < 3);
        const Calibration expected = failures < 3 ? Calibration{true, 5} : Calibration{};
        QCOMPARE(read.calibration, expected);
    }

    void requests() {
        test::MeterRig rig;
        service::writeCalibration(rig.exchange, "5", true);
        QCOMPARE(rig.meter.requests().last().mid(3, 2), QByteArray::fromHex("2825"));
        service::writeSerialNumber(rig.exchange, "300");
        const auto& sent = rig.meter.requests();
        QCOMPARE(uint8_t(sent[sent.size() - 2][3]), uint8_t{0x5F});  // the first step first
        QCOMPARE(rig.meter.requests().last().mid(3, 5), QByteArray::fromHex("6F2C010000"));
        QCOMPARE(rig.meter.requests().last().size(), 10);
        service::switch512(rig.exchange);
        QCOMPARE(rig.meter.requests().last().left(4), QByteArray::fromHex("39300015"));
        QCOMPARE(rig.meter.requests().last().size(), 7);
        QCOMPARE(rig.meter.requests().last().at(6), '\0');  // the trailing zero byte
    }
};

QTEST_GUILESS_MAIN(TstService)
#include "tst_service.moc"
