// Dialling and hanging up through the virtual modem in front of the virtual meter, over a
// pseudo-terminal and the real port component.

#include <QtTest>

#include "comm/tcomm.h"
#include "dialup/dial_up.h"
#include "link/waiter.h"
#include "support/sim_process.h"

using namespace vilt;
using dialup::CallState;

Q_DECLARE_METATYPE(dialup::CallState)

namespace {

struct ModemRig {
    test::SimProcess sim;
    comm::TComm port;
    link::SystemWaiter waiter;
    link::Exchange exchange{port, waiter};
    dialup::DialUp modem{exchange};

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
        QTest::addColumn<CallState>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("connect") << QStringList{} << "89121234567" << CallState::Connected
                                 << QString() << "OK 89121234567";
        QTest::newRow("empty number dials atd alone")
            << QStringList{} << "" << CallState::Connected << QString() << "OK";
        QTest::newRow("no carrier") << QStringList{"--dial-answer", "nocarrier"} << "123"
                                    << CallState::Idle << dialup::kNoAnswer << "OK 123";
        QTest::newRow("busy") << QStringList{"--dial-answer", "busy"} << "123" << CallState::Idle
                              << dialup::kNotConnected << "OK 123";
        // However the line splits the answer, a word within the answer wait is found.
        QTest::newRow("CR LF first, CONNECT 1.5 s later")
            << QStringList{"--dial-gap", "1500"} << "123" << CallState::Connected << QString()
            << "OK 123";
        QTest::newRow("CONNECT cut in two")
            << QStringList{"--dial-cut", "5", "--dial-gap", "1200"} << "123" << CallState::Connected
            << QString() << "OK 123";
        QTest::newRow("a dash, after the modem was set up")
            << QStringList{} << "8-912" << CallState::Idle << dialup::kNotADigit << "OK";
        QTest::newRow("the modem's speed is not 9600")
            << QStringList{"--ipr-lock", "115200"} << "123" << CallState::Idle
            << dialup::kWrongModemSpeed << "OK";
    }
    void dial() {
        QFETCH(QStringList, options);
        QFETCH(QString, number);
        QFETCH(CallState, state);
        QFETCH(QString, message);
        QFETCH(QString, dialled);
        ModemRig rig(options);
        QVERIFY(rig.start());
        bool sawDialling = false;
        const dialup::DialOutcome outcome = rig.modem.dial(number, [&] { sawDialling = true; });
        QCOMPARE(outcome.state, state);
        QCOMPARE(outcome.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(sawDialling);
        QVERIFY(outcome.portSet);
        QVERIFY(!rig.port.Enabled());  // closed either way: the session opens it itself
        QCOMPARE(rig.ask("dialled"), dialled);
        if (state == CallState::Connected) QVERIFY(outcome.replies.last().contains("CONNECT"));
    }

    // Refused before the port is touched.
    void refusedBeforeAnything() {
        ModemRig rig({});
        QVERIFY(rig.start());
        auto outcome = rig.modem.dial(std::nullopt);
        QCOMPARE(outcome.messages, QStringList{dialup::kForgotNumber});
        QVERIFY(!outcome.portSet);
        outcome = rig.modem.dial(QString(dialup::DialUp::kLongestNumber + 1, '7'));
        QCOMPARE(outcome.messages, QStringList{dialup::kNotADigit});
        QCOMPARE(rig.ask("modem"), QStringLiteral("OK command"));
        rig.port.SetDeviceName(QStringLiteral("/dev/nonexistent-port"));
        outcome = rig.modem.dial("123");
        QCOMPARE(outcome.messages, QStringList{dialup::kForgotPort});
    }

    // After the call, the meter answers through it; the hang-up ends it.
    void callThenHangUp() {
        ModemRig rig({});
        QVERIFY(rig.start());
        QCOMPARE(rig.modem.dial("123").state, CallState::Connected);
        rig.port.Open();
        rig.exchange.meterAddress = 12345;
        rig.exchange.setWaitMs(300);
        QCOMPARE(rig.exchange.run(link::Command::Identity), link::Check::Ok);
        rig.port.Close();
        QTest::qWait(1100);  // the modem takes "+++" only after a quiet second
        const dialup::DialOutcome outcome = rig.modem.hangUp();
        QCOMPARE(outcome.state, CallState::Idle);
        QVERIFY(outcome.messages.isEmpty());
        QCOMPARE(outcome.replies.size(), 3);
        QVERIFY(!rig.port.Enabled());
        QCOMPARE(rig.ask("modem"), QStringLiteral("OK command"));
    }

    // A modem that does not confirm the hang-up: the call and the port stay.
    void hangUpRefused() {
        ModemRig rig({"--guard", "3000"});
        QVERIFY(rig.start());
        QCOMPARE(rig.modem.dial("123").state, CallState::Connected);
        const dialup::DialOutcome outcome = rig.modem.hangUp();
        QCOMPARE(outcome.state, CallState::Connected);
        QCOMPARE(outcome.messages, QStringList{dialup::kNotHungUp});
        QVERIFY(rig.port.Enabled());
    }
};

QTEST_GUILESS_MAIN(TstDial)
#include "tst_dial.moc"
