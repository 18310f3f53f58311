// The station's visit on the virtual clock, with the virtual modem in front of the virtual
// meter: each plan against each way a call or a meter lets it down, and what the station
// leaves behind (no call standing, DTR down, the port closed).

#include <QtTest>

#include "sim/command_codes.h"
#include "station/meter_result.h"
#include "station/station.h"
#include "support/fake_line.h"
#include "support/metatypes.h"
#include "support/virtual_clock.h"

using namespace vilt;
using dialup::CallState;
using link::Status;

namespace {

enum class Fault {
    None,
    Busy,
    NoCarrier,
    DeafModem,
    SilentMeter,
    DropDuringEvents,
    StopWhileRinging,
    StopAsCallConnects,
    StopDuringEnergy,
    LostDuringClock
};

}  // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

struct StationRig {
    sim::VirtualMeter meter;
    sim::Modem modem;
    test::VirtualClock* clock = nullptr;
    test::FakeLine* line = nullptr;
    std::unique_ptr<station::Station> station;

    explicit StationRig(bool throughModem) {
        auto ownClock = std::make_unique<test::VirtualClock>();
        auto ownLine = std::make_unique<test::FakeLine>(meter, *ownClock);
        clock = ownClock.get();
        line = ownLine.get();
        line->Close();
        if (throughModem) line->setModem(&modem);
        station = std::make_unique<station::Station>(std::move(ownLine), std::move(ownClock));
    }

    station::Settings settings() const {
        station::Settings settings;
        settings.port = QStringLiteral("Com3");
        settings.factory = meter.state().factory;
        settings.phone = QStringLiteral("555");
        return settings;
    }

    // Runs once, when the meter is first asked for code.
    void onCode(uint8_t code, std::function<void()> act) {
        line->onRequest = [this, code, act, done = false](const QByteArray& request) mutable {
            if (done || request.size() < 4 || uint8_t(request[3]) != code) return;
            done = true;
            act();
        };
    }

    void arm(Fault fault) {
        switch (fault) {
            case Fault::None:
                break;
            case Fault::Busy:
                modem.options().answer = sim::DialAnswer::Busy;
                break;
            case Fault::NoCarrier:
                modem.options().answer = sim::DialAnswer::NoCarrier;
                break;
            case Fault::DeafModem:
                line->setDeaf(true);
                break;
            case Fault::SilentMeter:
                meter.setFault(sim::kAllCommands, sim::Fault{sim::FaultKind::Silent});
                break;
            case Fault::DropDuringEvents:
                onCode(sim::kJournalCode, [this] { line->dropCall(); });
                break;
            case Fault::StopWhileRinging:
                modem.options().answer = sim::DialAnswer::Silent;
                clock->onMessages = [this] {
                    if (modem.state() == sim::Modem::State::Dialling) clock->requestStop();
                };
                break;
            case Fault::StopAsCallConnects:
                clock->onMessages = [this] {
                    if (modem.state() == sim::Modem::State::Data && !station->callUp())
                        clock->requestStop();
                };
                break;
            case Fault::StopDuringEnergy:
                onCode(sim::kEnergyCode, [this] { clock->requestStop(); });
                break;
            case Fault::LostDuringClock:
                onCode(sim::kReadClockCode, [this] { line->unplug(); });
                break;
        }
    }
};

QDateTime meterDateTime(sim::VirtualMeter& meter) {
    const sim::MeterTime now = meter.clockNow();
    return QDateTime(now.date, now.time);
}

}  // namespace

class TstStation : public QObject {
    Q_OBJECT
  private slots:
    // Whatever ends a visit, the call is hung up and the port left closed with DTR down; the
    // visit's result says how it ended, and a round says the same of its meter.
    void visit_data() {
        QTest::addColumn<bool>("dial");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Status>("status");
        QTest::addColumn<bool>("sessionOpened");
        QTest::addColumn<bool>("readsAll");
        QTest::addColumn<bool>("hungUp");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("said");

        QTest::newRow("direct line") << false << Fault::None << Status::Done << true << true
                                     << false << QStringLiteral("ok") << QStringLiteral("успешно");
        QTest::newRow("through a call")
            << true << Fault::None << Status::Done << true << true << true << QStringLiteral("ok")
            << QStringLiteral("успешно");
        QTest::newRow("busy") << true << Fault::Busy << Status::NoLink << false << false << false
                              << QStringLiteral("no-call")
                              << QStringLiteral(
                                     "нет соединения с 555: Соединение Не Установлено !");
        QTest::newRow("no carrier") << true << Fault::NoCarrier << Status::NoLink << false << false
                                    << false << QStringLiteral("no-call")
                                    << QStringLiteral("нет соединения с 555: Абонент не отвечает!");
        QTest::newRow("deaf modem") << true << Fault::DeafModem << Status::NoLink << false << false
                                    << false << QStringLiteral("no-call")
                                    << QStringLiteral("нет соединения с 555: нет ответа от модема");
        QTest::newRow("silent meter, call up")
            << true << Fault::SilentMeter << Status::NoLink << false << false << true
            << QStringLiteral("session")
            << QStringLiteral("сеанс: Нет связи (принято не то количество байт)");
        QTest::newRow("call dropped in the journals")
            << true << Fault::DropDuringEvents << Status::NoLink << true << false << true
            << QStringLiteral("events") << QStringLiteral("события: Нет связи !!!");
        QTest::newRow("stop while it rings")
            << true << Fault::StopWhileRinging << Status::Stopped << false << false << false
            << QStringLiteral("stopped") << QStringLiteral("Обмен остановлен пользователем");
        QTest::newRow("stop as the call connects")
            << true << Fault::StopAsCallConnects << Status::Stopped << false << false << false
            << QStringLiteral("stopped") << QStringLiteral("Обмен остановлен пользователем");
        QTest::newRow("stop in the energy read")
            << true << Fault::StopDuringEnergy << Status::Stopped << true << false << true
            << QStringLiteral("stopped") << QStringLiteral("Обмен остановлен пользователем");
        QTest::newRow("device lost, direct line")
            << false << Fault::LostDuringClock << Status::PortFailed << true << false << false
            << QStringLiteral("port-lost")
            << QStringLiteral("Устройство порта отключено (Error: -1)");
    }
    void visit() {
        QFETCH(bool, dial);
        QFETCH(Fault, fault);
        QFETCH(Status, status);
        QFETCH(bool, sessionOpened);
        QFETCH(bool, readsAll);
        QFETCH(bool, hungUp);
        QFETCH(QString, code);
        QFETCH(QString, said);
        StationRig rig(dial);
        rig.arm(fault);
        station::Plan plan;
        plan.dial = dial;
        const station::VisitOutcome outcome = rig.station->visit(plan, rig.settings());

        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.session && outcome.session->ok(), sessionOpened);
        const auto& reads = outcome.reads;
        QCOMPARE(reads.energy && reads.energy->ok() && reads.clock && reads.clock->ok() &&
                     reads.events && reads.events->ok(),
                 readsAll);
        QCOMPARE(outcome.hangUp.has_value(), hungUp);
        if (hungUp) QCOMPARE(outcome.hangUp->state, CallState::Idle);
        QCOMPARE(rig.modem.state(), sim::Modem::State::Command);
        QVERIFY(!rig.line->Enabled());
        QVERIFY(!rig.line->dtr());
        QVERIFY(!rig.station->callUp());
        QVERIFY(!rig.station->identity());

        const std::optional<QString> phone = dial ? rig.settings().phone : std::nullopt;
        const station::VisitResult result = station::visitResult(outcome, phone);
        QCOMPARE(result.code(), code);
        QCOMPARE(result.text(), said);
        station::RoundMeter meter;
        meter.phone = phone.value_or(QString());
        station::MeterVisit visit;
        visit.visit = outcome;
        const station::MeterResult row = station::meterResult(meter, visit);
        QCOMPARE(row.result, said);
        QCOMPARE(row.code, code);
        QCOMPARE(row.ok, result.ok());
    }

    // The session through a call runs at 9600 with the call's wait, or with the one the user
    // gave for the run; a direct line keeps the settings' own.
    void sessionWait_data() {
        QTest::addColumn<bool>("dial");
        QTest::addColumn<bool>("given");
        QTest::addColumn<int>("wait");
        QTest::newRow("call") << true << false << 1000;
        QTest::newRow("call, wait given") << true << true << 700;
        QTest::newRow("direct") << false << false << 700;
    }
    void sessionWait() {
        QFETCH(bool, dial);
        QFETCH(bool, given);
        QFETCH(int, wait);
        StationRig rig(dial);
        station::Plan plan;
        plan.dial = dial;
        plan.energy = plan.clock = plan.events = false;
        int seenWait = -1;
        comm::BaudRate seenSpeed{};
        plan.task = [&](station::Station& station) {
            seenWait = station.exchange().waitMs();
            seenSpeed = station.line().baudRate();
        };
        station::Settings settings = rig.settings();
        settings.waitMs = 700;
        settings.waitGiven = given;
        QVERIFY(rig.station->visit(plan, settings).ok());
        QCOMPARE(seenWait, wait);
        QCOMPARE(seenSpeed, dial ? comm::BaudRate::br9600 : comm::BaudRate::br2400);
    }

    // A clock further off than the plan allows is set; within it, only the offset is told.
    void clockSync_data() {
        QTest::addColumn<std::optional<qint64>>("syncAbove");
        QTest::addColumn<bool>("set");
        QTest::newRow("off by an hour, 60 s allowed") << std::optional<qint64>(60) << true;
        QTest::newRow("off by an hour, 2 h allowed") << std::optional<qint64>(7200) << false;
        QTest::newRow("no sync asked") << std::optional<qint64>() << false;
    }
    void clockSync() {
        QFETCH(std::optional<qint64>, syncAbove);
        QFETCH(bool, set);
        StationRig rig(false);
        rig.meter.state().clock = QDateTime::currentDateTime().addSecs(3600);
        rig.meter.restartClock();
        station::Plan plan;
        plan.energy = plan.events = false;
        plan.syncAbove = syncAbove;
        const station::VisitOutcome outcome = rig.station->visit(plan, rig.settings());
        QVERIFY(outcome.ok());
        QVERIFY(outcome.clockOffset);
        QVERIFY(qAbs(*outcome.clockOffset - 3600) <= 2);
        QCOMPARE(outcome.clockSet.has_value(), set);
        if (set) {
            QVERIFY(outcome.clockSet->ok());
            QVERIFY(qAbs(QDateTime::currentDateTime().secsTo(meterDateTime(rig.meter))) <= 2);
        }
    }

    // The window closing with a call up: the session closed, the call hung up after the
    // quiet second, the port closed.
    void leaveHangsUp() {
        StationRig rig(true);
        const station::Settings settings = rig.settings();
        QCOMPARE(rig.station->dial(settings).state, CallState::Connected);
        station::Settings session = settings;
        session.speed = comm::BaudRate::br9600;
        QVERIFY(rig.station->open(session).ok());
        rig.clock->clearLog();
        const auto hungUp = rig.station->leave();
        QVERIFY(hungUp);
        QCOMPARE(hungUp->state, CallState::Idle);
        QCOMPARE(rig.modem.state(), sim::Modem::State::Command);
        QVERIFY(!rig.line->Enabled());
        QVERIFY(rig.clock->log().contains(QStringLiteral("wait 1000")));
    }

    // The far end hangs up in a session: the modem's NO CARRIER, read in place of a reply or
    // waiting before the next request, ends the call; the window's leave then hangs nothing
    // up. A reply that fails while the call stays up ends nothing.
    void farEndHangsUp_data() {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<bool>("duringRead");  // else before it, thrown away before the request
        QTest::newRow("read in place of the reply") << true << true;
        QTest::newRow("thrown away before the request") << true << false;
        QTest::newRow("call kept, meter silent") << false << false;
    }
    void farEndHangsUp() {
        QFETCH(bool, dropped);
        QFETCH(bool, duringRead);
        StationRig rig(true);
        station::Settings settings = rig.settings();
        QCOMPARE(rig.station->dial(settings).state, CallState::Connected);
        settings.speed = comm::BaudRate::br9600;
        QVERIFY(rig.station->open(settings).ok());
        if (!dropped)
            rig.meter.setFault(sim::kAllCommands, sim::Fault{sim::FaultKind::Silent});
        else if (duringRead)
            rig.onCode(sim::kReadClockCode, [&rig] { rig.line->dropCall(); });
        else
            rig.line->dropCall();
        rig.station->exchange().run(link::Command::ReadClock, {});
        QCOMPARE(rig.station->callUp(), !dropped);
        QCOMPARE(rig.station->leave().has_value(), !dropped);
    }
};

QTEST_GUILESS_MAIN(TstStation)
#include "tst_station.moc"
