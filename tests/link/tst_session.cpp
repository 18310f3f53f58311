// Opening and closing sessions in the three access modes, against the virtual meter on a
// virtual clock, with a view that records what the window would show.

#include <QtTest>

#include "fake_line.h"
#include "recording_display.h"
#include "session.h"
#include "session_texts.h"
#include "virtual_clock.h"
#include "virtual_meter.h"

using namespace vilt;
using link::Panel;
using sim::Fault;
using sim::FaultKind;
namespace texts = link::texts;

Q_DECLARE_METATYPE(sim::FaultKind)

namespace {

class RecordingView : public link::SessionView, public test::RecordingDisplay {
  public:
    int mode = link::kLocal;
    uint32_t factory = 0;
    QString password;
    QStringList info{"", "", ""};
    bool connectShown = true;
    bool operationsEnabled = false;

    int accessMode() const override { return mode; }
    uint32_t factoryNumber() const override { return factory; }
    void setFactoryNumber(uint32_t number) override {
        if (number != factory) mode = link::kByFactoryNumber;  // as the spin edit's change handler
        factory = number;
    }
    QString passwordText() const override { return password; }
    void setInfo(const QString& place, const QString& model, const QString& version) override {
        info = {place, model, version};
    }
    void setConnectShown(bool on) override { connectShown = on; }
    void enableOperations() override { operationsEnabled = true; }
    void repaintWindow() override {}
};

struct Rig {
    sim::VirtualMeter meter{{.factory = 12345,
                             .model = 7,
                             .version = 30109,
                             .place = QByteArray("\xD2\xCF-15"),
                             .password = 1234}};
    test::VirtualClock clock;
    test::FakeLine line{meter, clock};
    link::Exchange exchange{line, clock};
    RecordingView view;
    link::Session session{exchange, view};

    int codes(uint8_t code) const {
        int n = 0;
        for (const auto& r : meter.requests()) n += r.size() > 3 && uint8_t(r[3]) == code;
        return n;
    }
    int messagePoints() const { return int(clock.log().filter("messages").size()); }
};

}  // namespace

class TstSession : public QObject {
    Q_OBJECT
  private slots:
    void localSessionWithTheNumberAlreadyShown() {
        Rig rig;
        rig.view.factory = 12345;
        QCOMPARE(rig.session.open(), 0);
        QCOMPARE(rig.clock.log().mid(0, 2), QStringList({"wait 500", "write 00 7F 8F 78"}));
        QVERIFY(rig.line.dtr());
        QCOMPARE(rig.view.shown, QList<Panel>{Panel::Cv_ok});
        QCOMPARE(rig.view.mode, int(link::kLocal));
        QCOMPARE(rig.view.status[0], texts::kLocalSession);
        QCOMPARE(rig.view.status[1], QStringLiteral("Заводской №:12345"));
        QCOMPARE(rig.view.info, QStringList({"ТП-15", "7", "09.01.3"}));
        QVERIFY(rig.view.operationsEnabled);
        QVERIFY(!rig.view.connectShown);
        QCOMPARE(rig.exchange.meterAddress, 12345u);
        QCOMPARE(rig.messagePoints(), 1);
    }

    // The identity puts another number into the field, which switches the mode, and the
    // same attempt goes on by factory number.
    void localSessionFindsAnotherNumber() {
        Rig rig;
        rig.view.factory = 777;
        QCOMPARE(rig.session.open(), 0);
        QCOMPARE(rig.view.shown, QList<Panel>({Panel::Cv_ok, Panel::Cv_ok_rd}));
        QCOMPARE(rig.view.mode, int(link::kByFactoryNumber));
        QCOMPARE(rig.view.factory, 12345u);
        QCOMPARE(rig.view.status[0], texts::kFactorySession);
        QCOMPARE(rig.view.status[1], QStringLiteral("     Заводской номер:12345"));
        QCOMPARE(rig.meter.requests().size(), 2);
        QCOMPARE(rig.messagePoints(), 1);
    }

    void passwordLogin() {
        Rig rig;
        rig.view.mode = link::kWithPassword;
        rig.view.factory = 12345;
        rig.view.password = "1234";
        rig.meter.setNextChallenge(0x5A17C3E1);
        QCOMPARE(rig.session.open(), 0);
        // CoderPsw(1234, 0x5A17C3E1) = 0x1F387931, least significant byte first.
        QCOMPARE(rig.meter.requests().last().left(8), QByteArray::fromHex("393000203179381F"));
        QVERIFY(rig.view.panelVisible(Panel::Cv_ok_rd_wr));
        QCOMPARE(rig.view.status[0], texts::kPasswordSession);
        QCOMPARE(rig.view.status[1], QStringLiteral("     Заводской номер:12345"));
        QVERIFY(!rig.view.connectShown);
    }

    void identityFailures_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("status");
        QTest::newRow("local, silent") << 0 << FaultKind::Silent << 1 << texts::kWrongCount;
        QTest::newRow("local, wrong code") << 0 << FaultKind::WrongCode << 2 << texts::kWrongCode;
        QTest::newRow("local, wrong CRC") << 0 << FaultKind::BadCrc << 3 << texts::kWrongCrc;
        QTest::newRow("local, short") << 0 << FaultKind::MissingByte << 1 << texts::kWrongCount;
        QTest::newRow("number, long") << 1 << FaultKind::ExtraByte << 1 << texts::kWrongCount;
        QTest::newRow("number, wrong CRC") << 1 << FaultKind::BadCrc << 1 << texts::kWrongCrc;
    }
    void identityFailures() {
        QFETCH(int, mode);
        QFETCH(FaultKind, fault);
        QFETCH(int, result);
        QFETCH(QString, status);
        Rig rig;
        rig.view.mode = mode;
        rig.view.factory = 12345;
        rig.meter.setFault(sim::kAllCommands, Fault{fault});
        QCOMPARE(rig.session.open(), result);
        QCOMPARE(rig.meter.requests().size(), 3);  // three attempts, nothing else
        QCOMPARE(rig.messagePoints(), 3);
        QCOMPARE(rig.view.status[0], status);
        QVERIFY(rig.view.panelVisible(Panel::Net_cv));
        QVERIFY(!rig.view.panelVisible(Panel::Cv_ok) && !rig.view.panelVisible(Panel::Cv_ok_rd));
        // The session stays open behind the disconnect button, as after any identity failure.
        QVERIFY(!rig.view.connectShown);
        QVERIFY(rig.line.Enabled());
        QCOMPARE(rig.view.info, QStringList(3, texts::kBlankLabel));
    }

    // Net_cv from the first attempt stays up, so the second identifies the meter but
    // sends no login response; the session counts as opened for reading.
    void passwordModeSilentFirstAttempt() {
        Rig rig;
        rig.view.mode = link::kWithPassword;
        rig.view.factory = 12345;
        rig.view.password = "1234";
        rig.meter.setFault(0x25, Fault{FaultKind::Silent, 0, 1});
        QCOMPARE(rig.session.open(), 0);
        QCOMPARE(rig.codes(0x25), 2);
        QCOMPARE(rig.codes(0x1C), 2);
        QCOMPARE(rig.codes(0x20), 0);
        QVERIFY(rig.view.panelVisible(Panel::Net_cv) && rig.view.panelVisible(Panel::Cv_ok_rd));
    }

    void wrongPassword() {
        Rig rig;
        rig.view.mode = link::kWithPassword;
        rig.view.factory = 12345;
        rig.view.password = "999";
        QVERIFY(rig.session.open() != 0);
        QVERIFY(rig.view.panelVisible(Panel::No_pass));
        QVERIFY(!rig.view.panelVisible(Panel::Cv_ok_rd));
        QVERIFY(rig.view.connectShown);
        QVERIFY(!rig.line.Enabled());
        // The later attempts find the port closed.
        QCOMPARE(rig.view.status[0], texts::kWrongCount);
        QCOMPARE(rig.meter.requests().size(), 3);
    }

    // Any failed login response ends the session: the port is closed with the connect
    // button shown, so the next connect does not find the port still open.
    void garbledLoginResponse() {
        Rig rig;
        rig.view.mode = link::kWithPassword;
        rig.view.factory = 12345;
        rig.view.password = "1234";
        rig.meter.setFault(0x20, Fault{FaultKind::BadCrc});
        QVERIFY(rig.session.open() != 0);
        QVERIFY(rig.view.panelVisible(Panel::Net_cv));
        QVERIFY(!rig.view.panelVisible(Panel::Cv_ok_rd));
        QVERIFY(rig.view.connectShown);
        QVERIFY(!rig.line.Enabled());
        QCOMPARE(rig.codes(0x20), 1);
    }

    void passwordThatIsNotANumber() {
        Rig rig;
        rig.view.mode = link::kWithPassword;
        rig.view.factory = 12345;
        rig.view.password = "12a4";
        rig.meter.setFault(0x25, Fault{FaultKind::Silent, 0, 1});  // two challenges fetched
        rig.session.open();
        QCOMPARE(rig.view.messages, QStringList{texts::kNotANumber});
        QCOMPARE(rig.codes(0x20), 0);
        QVERIFY(!rig.view.panelVisible(Panel::No_pass));
    }

    void closeEndsTheSession() {
        Rig rig;
        rig.view.factory = 12345;
        rig.session.open();
        rig.view.setPanelVisible(Panel::Ok_rdevent, true);
        rig.session.open();  // a reconnect keeps the event panel
        QVERIFY(rig.view.panelVisible(Panel::Ok_rdevent));
        rig.session.close();
        QVERIFY(!rig.line.Enabled());
        QVERIFY(!rig.line.dtr());
        QVERIFY(rig.view.connectShown);
        QVERIFY(rig.view.visible.empty());
        QCOMPARE(rig.view.info, QStringList(3, texts::kBlankLabel));
        QCOMPARE(rig.view.status[1], QStringLiteral("Заводской №:12345"));  // left as it was
    }

    void placeOfSixteenCharacters() {
        Rig rig;
        rig.view.factory = 12345;
        rig.meter.state().place = QByteArray("ABCDEFGHIJKLMNOP");
        rig.session.open();
        QCOMPARE(rig.view.info[0], QStringLiteral("ABCDEFGHIJKLMNOP"));
    }
};

QTEST_GUILESS_MAIN(TstSession)
#include "tst_session.moc"
