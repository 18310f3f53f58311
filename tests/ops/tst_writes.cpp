// The execute-style writes: place of installation, reset, link speed and password.

#include <QtTest>

#include "link/link_settings.h"
#include "link/outcome_texts.h"
#include "ops/operations.h"
#include "support/metatypes.h"
#include "support/meter_rig.h"

using namespace vilt;
using link::Operation;
using link::Status;
using sim::Fault;
using sim::FaultKind;
namespace texts = link::texts;

namespace {
ops::WriteInputs inputs(const QString& place = {}, int speed = 0) {
    return {QTime(1, 2, 3), QDate(2001, 2, 3), true, place, speed};
}
}  // namespace

class TstWrites : public QObject {
    Q_OBJECT
  private slots:
    void place_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("Cyrillic") << "ТП-15"
                                  << QByteArray::fromHex("D2CF2D313500000000000000000000");
        QTest::newRow("empty") << "" << QByteArray(16, '\0');
        QTest::newRow("exactly 16")
            << "Подстанция №1234" << QByteArray::fromHex("CFEEE4F1F2E0EDF6E8FF20B931323334");
    }
    void place() {
        QFETCH(QString, text);
        QFETCH(QByteArray, field);
        test::MeterRig rig;
        const auto outcome = ops::writeSelected(rig.exchange, ops::Group::Place, inputs(text));
        const QByteArray request = rig.requests(0x19).value(0);
        QCOMPARE(request.size(), 22);
        QCOMPARE(request.mid(4, 16), field.leftJustified(16, '\0'));
        QCOMPARE(outcome->operation, Operation::WritePlace);
        QCOMPARE(outcome->status, Status::Done);
        QCOMPARE(rig.meter.state().place,
                 field.left(field.indexOf('\0') < 0 ? 16 : field.indexOf('\0')));
        QCOMPARE(rig.clock.log().first(), QStringLiteral("wait 100"));  // the settling wait
    }

    void placeTheMeterCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no Windows-1251 code") << "ТП-15 ✓"
                                              << "Символ «✓» нельзя записать в место установки";
        QTest::newRow("outside the basic plane") << "ТП-15 😀"
                                                 << "Символ «😀» нельзя записать в место установки";
        QTest::newRow("17 characters") << "Подстанция №12345"
                                       << "Место установки не длиннее 16 символов";
    }
    void placeTheMeterCannotHold() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        test::MeterRig rig;
        const auto outcome = ops::writePlace(rig.exchange, text);
        QVERIFY(rig.meter.requests().isEmpty());
        QCOMPARE(outcome.status, Status::Refused);
        QCOMPARE(outcome.messages, QStringList{message});
    }

    void reset_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<Status>("status");
        QTest::newRow("acknowledged") << FaultKind::None << Status::Done;
        QTest::newRow("wrong acknowledgement") << FaultKind::WrongAck << Status::NoLink;
        QTest::newRow("acknowledged with 0x55") << FaultKind::OtherAck << Status::NoLink;
        QTest::newRow("6-byte reply") << FaultKind::MissingByte << Status::NoLink;
        QTest::newRow("bad CRC") << FaultKind::BadCrc << Status::NoLink;
    }
    void reset() {
        QFETCH(FaultKind, fault);
        QFETCH(Status, status);
        test::MeterRig rig;
        rig.meter.setFault(0x23, Fault{fault});
        QCOMPARE(ops::resetMeter(rig.exchange).status, status);
        QCOMPARE(rig.requests(0x23), QList<QByteArray>{QByteArray::fromHex("39300023") +
                                                       rig.requests(0x23).value(0).right(2)});
        QCOMPARE(rig.requests(0x23)[0].size(), 6);
    }

    // A write acknowledged with the password change's byte is refused like any wrong byte.
    void otherAcknowledgementRefused() {
        test::MeterRig rig;
        rig.meter.setFault(sim::kAllCommands, Fault{FaultKind::OtherAck});
        QCOMPARE(ops::writePlace(rig.exchange, "ТП-15").status, Status::NoLink);
        const auto clock = ops::writeClock(rig.exchange, QTime(9, 5, 7), QDate(2027, 1, 1), true);
        QCOMPARE(clock.status, Status::NoLink);
        QCOMPARE(clock.steps.size(), 2);  // the DST write goes even after a failed clock write
        QCOMPARE(clock.steps[0].check, link::Check::Ack);
    }

    // The reset after a place write whose acknowledgement came late is not refused with that
    // acknowledgement, and the meter is reset once.
    void lateAcknowledgementDoesNotFailTheNextWrite() {
        test::MeterRig rig;
        rig.meter.setFault(0x19, Fault{FaultKind::Delay, 1500});
        QCOMPARE(ops::writePlace(rig.exchange, "ТП-16").status, Status::NoLink);
        QCOMPARE(ops::resetMeter(rig.exchange).status, Status::Done);
        QCOMPARE(rig.meter.state().resets, 1);
    }

    void speed_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::newRow("2400") << 0 << 0;
        QTest::newRow("9600") << 2 << 2;
        QTest::newRow("nothing selected") << -1 << 0;
    }
    void speed() {
        QFETCH(int, index);
        QFETCH(int, code);
        test::MeterRig rig;
        const auto outcome = ops::writeSelected(rig.exchange, ops::Group::Speed, inputs({}, index));
        QCOMPARE(int(rig.requests(0x1D).value(0)[4]), code);
        QCOMPARE(outcome->operation, Operation::WriteSpeed);
        QCOMPARE(outcome->status, Status::Done);
    }

    void nothingToWrite() {
        test::MeterRig rig;
        for (const auto group : {ops::Group::Energy, ops::Group::Event})
            QCOMPARE(ops::writeSelected(rig.exchange, group, inputs()), std::nullopt);
        QVERIFY(rig.meter.requests().isEmpty());
    }

    void passwordChanged() {
        test::MeterRig rig;
        const auto outcome = link::ChangePassword(rig.exchange, "-2", " -2");
        QCOMPARE(outcome.status, Status::Done);
        // Unscrambled, two's complement, least significant byte first.
        QCOMPARE(rig.requests(0x21).value(0).mid(3, 5), QByteArray::fromHex("21FEFFFFFF"));
        QCOMPARE(rig.meter.state().password, -2);
        QCOMPARE(outcome.messages, QStringList{texts::kPasswordChanged});
    }

    void passwordNotChanged_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("not a number")
            << "12a"
            << "12a" << FaultKind::None << Status::Refused
            << QStringList{texts::kNotANumber, texts::kPasswordNotChanged};
        QTest::newRow("typed differently")
            << "123"
            << "124" << FaultKind::None << Status::Refused
            << QStringList{texts::kPasswordsDiffer, texts::kPasswordNotChanged};
        QTest::newRow("wrong acknowledgement") << "123"
                                               << "123" << FaultKind::WrongAck << Status::NoLink
                                               << QStringList{texts::kPasswordNotChanged};
        QTest::newRow("acknowledged with 0xAA") << "123"
                                                << "123" << FaultKind::OtherAck << Status::NoLink
                                                << QStringList{texts::kPasswordNotChanged};
        QTest::newRow("no answer") << "123"
                                   << "123" << FaultKind::Silent << Status::NoLink
                                   << QStringList{texts::kPasswordNotChanged};
    }
    void passwordNotChanged() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(FaultKind, fault);
        QFETCH(Status, status);
        QFETCH(QStringList, messages);
        test::MeterRig rig;
        rig.meter.setFault(0x21, Fault{fault});
        const auto outcome = link::ChangePassword(rig.exchange, first, second);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.messages, messages);
        QCOMPARE(rig.requests(0x21).size(), status == Status::Refused ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TstWrites)
#include "tst_writes.moc"
