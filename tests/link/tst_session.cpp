// Opening and closing sessions in the three access modes, against the virtual meter on a
// virtual clock: the exchanges made, what the meter said, and how the session ended.

#include <QtTest>

#include "comm/comm_error.h"
#include "link/outcome_texts.h"
#include "link/session.h"
#include "sim/virtual_meter.h"
#include "support/fake_line.h"
#include "support/virtual_clock.h"

using namespace vilt;
using link::Check;
using link::Command;
using link::Step;
using sim::Fault;
using sim::FaultKind;
namespace texts = link::texts;

Q_DECLARE_METATYPE(sim::FaultKind)
Q_DECLARE_METATYPE(comm::OpenProblem)

namespace {

struct Rig {
    sim::VirtualMeter meter{{.factory = 12345,
                             .model = 7,
                             .version = 30109,
                             .place = QByteArray("\xD2\xCF-15"),
                             .password = 1234}};
    test::VirtualClock clock;
    test::FakeLine line{meter, clock};
    link::Exchange exchange{line, clock};
    link::Session session{exchange};

    int codes(uint8_t code) const {
        int n = 0;
        for (const auto& r : meter.requests()) n += r.size() > 3 && uint8_t(r[3]) == code;
        return n;
    }
    int messagePoints() const { return int(clock.log().filter("messages").size()); }
    link::SessionOutcome open(link::AccessMode mode, uint32_t factory,
                              const QString& password = {}) {
        return session.open({mode, factory, password});
    }
};

QList<Command> commands(const link::SessionOutcome& outcome) {
    QList<Command> list;
    for (const Step& step : outcome.steps) list << step.command;
    return list;
}

}  // namespace

class TstSession : public QObject {
    Q_OBJECT
  private slots:
    void localSessionWithTheNumberAlreadyShown() {
        Rig rig;
        const auto outcome = rig.open(link::AccessMode::Local, 12345);
        QCOMPARE(outcome.result, 0);
        QVERIFY(outcome.ok());
        QCOMPARE(rig.clock.log().mid(0, 2), QStringList({"wait 500", "write 00 7F 8F 78"}));
        QVERIFY(rig.line.dtr());
        QCOMPARE(outcome.steps, QList<Step>{Step({Command::LocalIdentity, Check::Ok, 12345})});
        QCOMPARE(outcome.mode, link::AccessMode::Local);
        QCOMPARE(outcome.identity->place, QStringLiteral("ТП-15"));
        QCOMPARE(outcome.identity->model, uint16_t{7});
        QCOMPARE(link::versionText(outcome.identity->version), QStringLiteral("09.01.3"));
        QCOMPARE(rig.exchange.meterAddress, 12345u);
        QCOMPARE(rig.messagePoints(), 1);
        const auto status = texts::sessionStatus(outcome.steps.last());
        QCOMPARE(status.exchange, std::optional(texts::kLocalSession));
        QCOMPARE(status.number, std::optional(QStringLiteral("Заводской №:12345")));
    }

    // The identity puts another number into the field, which switches the mode, and the
    // same attempt goes on by factory number.
    void localSessionFindsAnotherNumber() {
        Rig rig;
        const auto outcome = rig.open(link::AccessMode::Local, 777);
        QCOMPARE(outcome.result, 0);
        QCOMPARE(commands(outcome), QList({Command::LocalIdentity, Command::Identity}));
        QCOMPARE(outcome.mode, link::AccessMode::ByFactoryNumber);
        QCOMPARE(outcome.factory, 12345u);
        QCOMPARE(texts::sessionStatus(outcome.steps.last()).number,
                 std::optional(QStringLiteral("     Заводской номер:12345")));
        QCOMPARE(rig.messagePoints(), 1);
    }

    void passwordLogin() {
        Rig rig;
        rig.meter.setNextChallenge(0x5A17C3E1);
        const auto outcome = rig.open(link::AccessMode::WithPassword, 12345, "1234");
        QCOMPARE(outcome.result, 0);
        // loginCode(1234, 0x5A17C3E1) = 0x1F387931, least significant byte first.
        QCOMPARE(rig.meter.requests().last().left(8), QByteArray::fromHex("393000203179381F"));
        QCOMPARE(commands(outcome), QList({Command::Identity, Command::Challenge, Command::Login}));
        QCOMPARE(texts::sessionStatus(outcome.steps.last()).exchange,
                 std::optional(texts::kPasswordSession));
        QVERIFY(!outcome.loginFailed);
        QVERIFY(rig.line.Enabled());
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
        rig.meter.setFault(sim::kAllCommands, Fault{fault});
        const auto outcome = rig.open(static_cast<link::AccessMode>(mode), 12345);
        QCOMPARE(outcome.result, result);
        QCOMPARE(outcome.status, link::Status::NoLink);
        QCOMPARE(rig.meter.requests().size(), 3);  // three attempts, nothing else
        QCOMPARE(rig.messagePoints(), 3);
        QCOMPARE(texts::failureText(outcome), status);
        QVERIFY(!outcome.identity);
        // The session stays open, as after any identity failure.
        QVERIFY(!outcome.loginFailed);
        QVERIFY(rig.line.Enabled());
    }

    // The user asked for a login and the meter answered the second time: that attempt logs
    // in, whatever the first one came to.
    void passwordModeSilentFirstAttempt() {
        Rig rig;
        rig.meter.setFault(0x25, Fault{FaultKind::Silent, 0, 1});
        const auto outcome = rig.open(link::AccessMode::WithPassword, 12345, "1234");
        QCOMPARE(outcome.result, 0);
        QCOMPARE(rig.codes(0x25), 2);
        QCOMPARE(rig.codes(0x1C), 2);
        QCOMPARE(rig.codes(0x20), 2);
        QCOMPARE(outcome.steps.last(), Step({Command::Login, Check::Ok, 12345}));
    }

    // A failed login response ends the session at once: the port is closed, no further
    // attempt runs, and the status keeps the cause.
    void failedLogin_data() {
        QTest::addColumn<FaultKind>("fault");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("status");
        QTest::newRow("wrong password") << FaultKind::None << "999" << texts::kPasswordRefused;
        QTest::newRow("refused whatever the code")
            << FaultKind::PasswordRefused << "1234" << texts::kPasswordRefused;
        QTest::newRow("garbled response") << FaultKind::BadCrc << "1234" << texts::kWrongCrc;
        QTest::newRow("wrong code") << FaultKind::WrongCode << "1234" << texts::kWrongCode;
    }
    void failedLogin() {
        QFETCH(FaultKind, fault);
        QFETCH(QString, password);
        QFETCH(QString, status);
        Rig rig;
        rig.meter.setFault(0x20, Fault{fault});
        const auto outcome = rig.open(link::AccessMode::WithPassword, 12345, password);
        QVERIFY(outcome.result != 0);
        QVERIFY(outcome.loginFailed);
        QVERIFY(!rig.line.Enabled());
        QCOMPARE(rig.meter.requests().size(), 3);  // identity, challenge, login: once
        QCOMPARE(texts::failureText(outcome), status);
    }

    void passwordThatIsNotANumber() {
        Rig rig;
        rig.meter.setFault(0x25, Fault{FaultKind::Silent, 0, 1});  // two challenges fetched
        const auto outcome = rig.open(link::AccessMode::WithPassword, 12345, "12a4");
        QCOMPARE(outcome.messages, QStringList{texts::kNotANumber});
        QCOMPARE(rig.codes(0x20), 0);
        QCOMPARE(outcome.result, 0);  // a session for reading
    }

    void closeEndsTheSession() {
        Rig rig;
        rig.open(link::AccessMode::Local, 12345);
        rig.session.close();
        QVERIFY(!rig.line.Enabled());
        QVERIFY(!rig.line.dtr());
        rig.session.close();  // a closed port closes again without a fuss
    }

    // A device that is gone ends the session at once; closing still closes the port, and
    // tells why DTR could not be lowered.
    void deviceGone() {
        Rig rig;
        rig.line.unplug();
        QVERIFY_THROWS_EXCEPTION(comm::CommError, rig.open(link::AccessMode::Local, 12345));
        QVERIFY(rig.meter.requests().isEmpty());
        const auto reason = rig.session.close();
        QVERIFY(!rig.line.Enabled());
        QCOMPARE(reason, std::optional(QStringLiteral("EscapeCommFunction failure (Error: 6)")));
        rig.line.reopen();  // the adapter back in
        QVERIFY(rig.open(link::AccessMode::Local, 12345).ok());
        QCOMPARE(rig.session.close(), std::nullopt);
    }

    void placeOfSixteenCharacters() {
        Rig rig;
        rig.meter.state().place = QByteArray("ABCDEFGHIJKLMNOP");
        QCOMPARE(rig.open(link::AccessMode::Local, 12345).identity->place,
                 QStringLiteral("ABCDEFGHIJKLMNOP"));
    }

    // A port that would not open: the fixed text first, then the reason in plain words and
    // what the user can do about it (the group that owns the device, not always dialout).
    void portOpenFailed_data() {
        QTest::addColumn<comm::OpenProblem>("problem");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("text");
        using comm::OpenProblem;
        const QString lead = texts::kPortOpenFailed + ". ";
        QTest::newRow("no rights, dialout")
            << OpenProblem::NoRights << "/dev/ttyUSB0"
            << "dialout"
            << lead +
                   "Нет прав на порт /dev/ttyUSB0: добавьте пользователя в группу dialout "
                   "(sudo usermod -aG dialout $USER) и войдите в систему заново.";
        QTest::newRow("no rights, another group")
            << OpenProblem::NoRights << "/dev/ttyS1"
            << "uucp"
            << lead +
                   "Нет прав на порт /dev/ttyS1: добавьте пользователя в группу uucp "
                   "(sudo usermod -aG uucp $USER) и войдите в систему заново.";
        QTest::newRow("no device at the path")
            << OpenProblem::NoDevice << "/dev/ttyUSB0"
            << ""
            << lead +
                   "Устройство /dev/ttyUSB0 не найдено: проверьте, что адаптер подключён и "
                   "порт выбран верно.";
        QTest::newRow("a port name without a device")
            << OpenProblem::NoDevice << "Com4"
            << ""
            << lead +
                   "Устройство Com4 не найдено: проверьте, что адаптер подключён и порт "
                   "выбран верно.";
        QTest::newRow("held by another program")
            << OpenProblem::Busy << "/dev/ttyUSB0"
            << "" << lead + "Порт /dev/ttyUSB0 занят другой программой: закройте её и повторите.";
    }
    void portOpenFailed() {
        QFETCH(comm::OpenProblem, problem);
        QFETCH(QString, device);
        QFETCH(QString, group);
        QFETCH(QString, text);
        QCOMPARE(texts::portOpenFailed(comm::OpenFailure{problem, device, group, {}}), text);
    }

    void portOpenFailedForAnotherReason() {
        const comm::OpenFailure failure{
            comm::OpenProblem::Other, "/dev/null", {}, "Inappropriate ioctl for device"};
        QCOMPARE(texts::portOpenFailed(failure),
                 texts::kPortOpenFailed + ". Порт /dev/null: Inappropriate ioctl for device.");
        QCOMPARE(texts::portOpenFailed(std::nullopt), texts::kPortOpenFailed);  // not known
    }
};

QTEST_GUILESS_MAIN(TstSession)
#include "tst_session.moc"
