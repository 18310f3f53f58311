// The execute-style writes: place of installation, reset, link speed and password.

#include <QtTest>

#include "link_settings.h"
#include "ops_rig.h"
#include "session_texts.h"

using namespace vilt;
using link::Panel;
using sim::Fault;
using sim::FaultKind;
namespace texts = link::texts;

Q_DECLARE_METATYPE(sim::FaultKind)

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
        test::OpsRig rig;
        rig.view.group = ops::Group::Place;
        rig.view.place = text;
        rig.operations.WrComClick();
        const QByteArray request = rig.requests(0x19).value(0);
        QCOMPARE(request.size(), 22);
        QCOMPARE(request.mid(4, 16), field.leftJustified(16, '\0'));
        QCOMPARE(rig.view.top(), std::optional(Panel::Ok_wrplase));
        QCOMPARE(rig.meter.state().place,
                 field.left(field.indexOf('\0') < 0 ? 16 : field.indexOf('\0')));
    }

    void placeTheMeterCannotHold_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("no Windows-1251 code") << "ТП-15 ✓";
        QTest::newRow("17 characters") << "Подстанция №12345";
    }
    void placeTheMeterCannotHold() {
        QFETCH(QString, text);
        test::OpsRig rig;
        rig.view.group = ops::Group::Place;
        rig.view.place = text;
        rig.operations.WrComClick();
        QVERIFY(rig.meter.requests().isEmpty());
        QCOMPARE(rig.view.messages.size(), 1);
        QVERIFY(rig.view.visible.empty());
    }

    void reset_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<bool>("ok");
        QTest::newRow("acknowledged") << FaultKind::None << true;
        QTest::newRow("wrong acknowledgement") << FaultKind::WrongAck << false;
        QTest::newRow("6-byte reply") << FaultKind::MissingByte << false;
        QTest::newRow("bad CRC") << FaultKind::BadCrc << false;
    }
    void reset() {
        QFETCH(FaultKind, fault);
        QFETCH(bool, ok);
        test::OpsRig rig;
        rig.view.group = ops::Group::Reset;
        rig.meter.setFault(0x23, Fault{fault});
        rig.operations.WrComClick();
        QCOMPARE(rig.requests(0x23), QList<QByteArray>{QByteArray::fromHex("39300023") +
                                                       rig.requests(0x23).value(0).right(2)});
        QCOMPARE(rig.requests(0x23)[0].size(), 6);
        QCOMPARE(rig.view.top(), std::optional(ok ? Panel::Ok_reset : Panel::Net_cv));
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
        test::OpsRig rig;
        rig.view.group = ops::Group::Speed;
        rig.view.speed = index;
        rig.operations.WrComClick();
        QCOMPARE(int(rig.requests(0x1D).value(0)[4]), code);
        QCOMPARE(rig.view.top(), std::optional(Panel::Ok_Sk));
    }

    void passwordChanged() {
        test::OpsRig rig;
        bool closed = false;
        const int result = link::ChangePassword(rig.exchange, rig.view, "-2", " -2", [&] {
            closed = true;
            link::hideAllPanels(rig.view);
        });
        QCOMPARE(result, 0);
        // Unscrambled, two's complement, least significant byte first.
        QCOMPARE(rig.requests(0x21).value(0).mid(3, 5), QByteArray::fromHex("21FEFFFFFF"));
        QCOMPARE(rig.meter.state().password, -2);
        QCOMPARE(rig.view.messages, QStringList{texts::kPasswordChanged});
        QVERIFY(closed);
        QCOMPARE(rig.view.top(), std::optional(Panel::Ok_wr_password));
        QCOMPARE(rig.view.visible.size(), size_t{1});
        QCOMPARE(rig.view.status[0], QString(42, ' '));
    }

    void passwordNotChanged_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("not a number")
            << "12a"
            << "12a" << FaultKind::None
            << QStringList{texts::kNotANumber, texts::kPasswordNotChanged};
        QTest::newRow("typed differently")
            << "123"
            << "124" << FaultKind::None
            << QStringList{texts::kPasswordsDiffer, texts::kPasswordNotChanged};
        QTest::newRow("wrong acknowledgement")
            << "123"
            << "123" << FaultKind::WrongAck << QStringList{texts::kPasswordNotChanged};
        QTest::newRow("no answer")
            << "123"
            << "123" << FaultKind::Silent << QStringList{texts::kPasswordNotChanged};
    }
    void passwordNotChanged() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(FaultKind, fault);
        QFETCH(QStringList, messages);
        test::OpsRig rig;
        rig.meter.setFault(0x21, Fault{fault});
        bool closed = false;
        QCOMPARE(
            link::ChangePassword(rig.exchange, rig.view, first, second, [&] { closed = true; }), 1);
        QCOMPARE(rig.view.messages, messages);
        QVERIFY(!closed);
        QCOMPARE(rig.requests(0x21).size(), first == second && fault != FaultKind::None ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TstWrites)
#include "tst_writes.moc"
