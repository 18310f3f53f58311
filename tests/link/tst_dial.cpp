// Dialling and hanging up through the virtual modem in front of the virtual meter, over a
// pseudo-terminal and the real port component.

#include <QtTest>

#include "link/modem.h"
#include "link/waiter.h"
#include "support/sim_process.h"

using namespace vilt;
using link::ModemState;

Q_DECLARE_METATYPE(link::ModemState)

namespace {

struct ModemRig {
    test::SimProcess sim;
    comm::TComm port;
    link::SystemWaiter waiter;
    link::Exchange exchange{port, waiter};
    link::Modem modem{port, exchange};

    explicit ModemRig(const QStringList& options)
        : sim(QStringList{"--modem", "--dial-delay", "50"} + options) {}
    bool start() {
        QString error;
        if (!sim.start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        port.SetDeviceName(sim.slavePath());
        return true;
    }
    QString ask(const QString& what) { return sim.ask("get " + what); }
};

}  // namespace

class TstDial : public QObject {
    Q_OBJECT
  private slots:
    // The meter's modem answers; the first answer decides.
    void dial_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("number");
        QTest::addColumn<ModemState>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("connect") << QStringList{} << "89121234567" << ModemState::Connected
                                 << QString() << "OK 89121234567";
        QTest::newRow("empty number dials atd alone")
            << QStringList{} << "" << ModemState::Connected << QString() << "OK";
        QTest::newRow("no carrier") << QStringList{"--dial-answer", "nocarrier"} << "123"
                                    << ModemState::Idle << link::kNoAnswer << "OK 123";
        QTest::newRow("busy") << QStringList{"--dial-answer", "busy"} << "123" << ModemState::Idle
                              << link::kNotConnected << "OK 123";
        QTest::newRow("first piece holds neither word")
            << QStringList{"--dial-gap", "1500"} << "123" << ModemState::Idle << link::kNotConnected
            << "OK 123";
        QTest::newRow("a dash, after the modem was set up")
            << QStringList{} << "8-912" << ModemState::Idle << link::kNotADigit << "OK";
        QTest::newRow("the modem's speed is not 9600")
            << QStringList{"--ipr-lock", "115200"} << "123" << ModemState::Idle
            << link::kWrongModemSpeed << "OK";
    }
    void dial() {
        QFETCH(QStringList, options);
        QFETCH(QString, number);
        QFETCH(ModemState, state);
        QFETCH(QString, message);
        QFETCH(QString, dialled);
        ModemRig rig(options);
        QVERIFY(rig.start());
        bool sawDialling = false;
        rig.modem.onDialling = [&] { sawDialling = true; };
        const link::ModemOutcome outcome = rig.modem.dial(number);
        QCOMPARE(outcome.state, state);
        QCOMPARE(outcome.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(sawDialling);
        QVERIFY(outcome.portSet);
        QVERIFY(!rig.port.Enabled());  // closed either way: the session opens it itself
        QCOMPARE(rig.exchange.timeOut(), link::Modem::kDialTimeOut);
        QCOMPARE(rig.ask("dialled"), dialled);
        if (state == ModemState::Connected) QVERIFY(outcome.replies.last().contains("CONNECT"));
    }

    // Refused before the port is touched.
    void refusedBeforeAnything() {
        ModemRig rig({});
        QVERIFY(rig.start());
        auto outcome = rig.modem.dial(link::kNumberPlaceholder);
        QCOMPARE(outcome.messages, QStringList{link::kForgotNumber});
        QVERIFY(!outcome.portSet);
        outcome = rig.modem.dial(QString(link::Modem::kLongestNumber + 1, '7'));
        QCOMPARE(outcome.messages, QStringList{link::kNotADigit});
        QCOMPARE(rig.ask("modem"), QStringLiteral("OK command"));
        rig.port.SetDeviceName(QStringLiteral("/dev/nonexistent-port"));
        outcome = rig.modem.dial("123");
        QCOMPARE(outcome.messages, QStringList{link::kForgotPort});
    }

    // After the call, the meter answers through it; the hang-up ends it.
    void callThenHangUp() {
        ModemRig rig({});
        QVERIFY(rig.start());
        QCOMPARE(rig.modem.dial("123").state, ModemState::Connected);
        rig.port.Open();
        rig.exchange.meterAddress = 12345;
        rig.exchange.setTimeOut(300);
        QCOMPARE(rig.exchange.run(link::Command::Identity), link::Check::Ok);
        rig.port.Close();
        QTest::qWait(1100);  // the modem takes "+++" only after a quiet second
        const link::ModemOutcome outcome = rig.modem.hangUp();
        QCOMPARE(outcome.state, ModemState::Idle);
        QVERIFY(outcome.messages.isEmpty());
        QCOMPARE(outcome.replies.size(), 3);
        QVERIFY(!rig.port.Enabled());
        QCOMPARE(rig.ask("modem"), QStringLiteral("OK command"));
    }

    // A modem that does not confirm the hang-up: the call and the port stay.
    void hangUpRefused() {
        ModemRig rig({"--guard", "3000"});
        QVERIFY(rig.start());
        QCOMPARE(rig.modem.dial("123").state, ModemState::Connected);
        const link::ModemOutcome outcome = rig.modem.hangUp();
        QCOMPARE(outcome.state, ModemState::Connected);
        QCOMPARE(outcome.messages, QStringList{link::kNotHungUp});
        QVERIFY(rig.port.Enabled());
    }
};

QTEST_GUILESS_MAIN(TstDial)
#include "tst_dial.moc"
