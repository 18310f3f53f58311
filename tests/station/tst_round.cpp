// The round over several lines with the virtual meter behind each port, on virtual clocks:
// real threads, one per port, and what the round promises of them: the list's order kept,
// each port's meters one after the other, no more ports at once than allowed, a stop, and
// an archive that will not open failing only what it should.

#include <QTemporaryDir>
#include <QtTest>
#include <condition_variable>
#include <map>
#include <mutex>

#include "comm/port_map.h"
#include "sim/command_codes.h"
#include "station/round.h"
#include "station/station.h"
#include "support/fake_line.h"
#include "support/virtual_clock.h"

using namespace vilt;

namespace {

constexpr auto kPatience = std::chrono::seconds(20);

// The meters behind the ports: one virtual meter a port, used only by the thread that has
// the port.
struct Ports {
    std::map<QString, sim::VirtualMeter> meters;
    // Runs on the port's thread before the first request its meter answers.
    std::function<void(const QString& port)> onFirstRequest;

    explicit Ports(const QList<std::pair<QString, uint32_t>>& factories) {
        for (const auto& [port, factory] : factories) meters[port].state().factory = factory;
    }

    station::StationMaker maker() {
        return [this](const QString& port) {
            auto clock = std::make_unique<test::VirtualClock>();
            auto line = std::make_unique<test::FakeLine>(meters.at(port), *clock);
            line->Close();
            line->onRequest = [this, port, first = true](const QByteArray&) mutable {
                if (first && onFirstRequest) onFirstRequest(port);
                first = false;
            };
            return std::make_unique<station::Station>(std::move(line), std::move(clock));
        };
    }
};

// Until `count` ports have started, none goes on: the ports that must run at once prove it.
class Meeting {
  public:
    explicit Meeting(int count) : m_count(count) {}
    void arrive() {
        std::unique_lock lock(m_mutex);
        if (++m_arrived > m_count) return;  // a later port: the first ones have met
        m_met.notify_all();
        m_metInTime = m_met.wait_for(lock, kPatience, [this] { return m_arrived >= m_count; });
    }
    bool metInTime() const { return m_metInTime; }

  private:
    int m_count;
    int m_arrived = 0;
    bool m_metInTime = true;
    std::mutex m_mutex;
    std::condition_variable m_met;
};

// What the round told, in the order told (the round tells one call at a time).
struct Recorder : station::RoundObserver {
    QList<station::RoundMeter> meters;
    QStringList told;
    QMap<QString, int> busy;  // visits under way per port
    int mostPorts = 0;        // the most ports with a visit under way at once
    int mostOnOnePort = 0;

    void starting(qsizetype index) override {
        told << QStringLiteral("start %1").arg(index);
        const int onPort = ++busy[meters[index].port];
        mostOnOnePort = std::max(mostOnOnePort, onPort);
        mostPorts = std::max(
            mostPorts, int(std::count_if(busy.begin(), busy.end(), [](int n) { return n > 0; })));
    }
    void finished(qsizetype index, const station::MeterVisit& visit) override {
        told << QStringLiteral("end %1").arg(index);
        if (visit.visit) --busy[meters[index].port];
    }
    // The indexes started on a port, in the order started.
    QList<qsizetype> startedOn(const QString& port) const {
        QList<qsizetype> found;
        for (const QString& entry : told)
            if (entry.startsWith("start ")) {
                const qsizetype index = entry.mid(6).toLongLong();
                if (meters[index].port == port) found << index;
            }
        return found;
    }
};

station::RoundMeter meter(const QString& port, uint32_t factory) {
    station::RoundMeter m;
    m.port = port;
    m.factory = factory;
    m.label = QStringLiteral("%1/%2").arg(port).arg(factory);
    return m;
}

bool readAll(const station::MeterVisit& visit) {
    return visit.visit && visit.visit->ok() && visit.visit->reads.energy &&
           visit.visit->reads.energy->ok() && visit.visit->reads.clock && visit.visit->reads.events;
}

}  // namespace

class TstRound : public QObject {
    Q_OBJECT
  private slots:
    // Five meters on three ports, at most `lines` ports at once: each port's meters in the
    // list's order and never two at once, as many ports at once as allowed and no more,
    // and the results in the list's order (a factory the port's meter does not have fails
    // only itself).
    void portsAtOnce_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("together");
        QTest::newRow("all ports") << 0 << 3;
        QTest::newRow("one line") << 1 << 1;
        QTest::newRow("two lines") << 2 << 2;
        QTest::newRow("more lines than ports") << 64 << 3;
    }
    void portsAtOnce() {
        QFETCH(int, lines);
        QFETCH(int, together);
        Ports ports({{"Com1", 11}, {"Com2", 22}, {"Com3", 33}});
        Meeting meeting(together);
        ports.onFirstRequest = [&meeting](const QString&) { meeting.arrive(); };
        Recorder recorder;
        recorder.meters = {meter("Com1", 11), meter("Com2", 22), meter("Com1", 99),
                           meter("Com3", 33), meter("Com2", 22)};
        station::RoundRun run;
        run.lines = lines;
        run.observer = &recorder;
        run.makeStation = ports.maker();
        const auto results = station::runRound(recorder.meters, {}, run);

        QVERIFY(meeting.metInTime());
        QCOMPARE(recorder.mostPorts, together);
        QCOMPARE(recorder.mostOnOnePort, 1);
        QCOMPARE(recorder.startedOn("Com1"), (QList<qsizetype>{0, 2}));
        QCOMPARE(recorder.startedOn("Com2"), (QList<qsizetype>{1, 4}));
        QCOMPARE(results.size(), 5);
        for (const qsizetype ok : {0, 1, 3, 4}) QVERIFY(readAll(results[ok]));
        QVERIFY(results[2].visit && !results[2].visit->session->ok());
    }

    // A stop during a visit ends it at its next wait, with the session still closed; the
    // meters not begun are finished without a visit.
    void stop() {
        Ports ports({{"Com1", 11}, {"Com2", 22}});
        std::atomic<bool> stop{false};
        struct LineAtEnd : Recorder {
            test::FakeLine* line = nullptr;
            bool leftOpen = true;
            void finished(qsizetype index, const station::MeterVisit& visit) override {
                if (index == 0) leftOpen = line->Enabled() || line->dtr();
                Recorder::finished(index, visit);
            }
        } recorder;
        recorder.meters = {meter("Com1", 11), meter("Com1", 11), meter("Com2", 22)};
        station::RoundRun run;
        run.lines = 1;
        run.observer = &recorder;
        run.stop = &stop;
        run.makeStation = [&, make = ports.maker()](const QString& port) {
            auto station = make(port);
            if (!recorder.line) {
                recorder.line = &static_cast<test::FakeLine&>(station->line());
                recorder.line->onRequest = [&stop](const QByteArray& request) {
                    if (uint8_t(request[3]) == sim::kEnergyCode) stop = true;
                };
            }
            return station;
        };
        const auto results = station::runRound(recorder.meters, {}, run);

        QVERIFY(results[0].visit);
        QCOMPARE(results[0].visit->status, link::Status::Stopped);
        QVERIFY(results[0].visit->session && results[0].visit->session->ok());
        QVERIFY(!recorder.leftOpen);
        QVERIFY(!results[1].visit && !results[2].visit);
        QCOMPARE(recorder.told, (QStringList{"start 0", "end 0", "end 1", "end 2"}));
    }

    // An archive that cannot be opened fails each meter visited, which is still read.
    void archiveThatWillNotOpen() {
        Ports ports({{"Com1", 11}, {"Com2", 22}});
        station::RoundSettings settings;
        settings.archive = QStringLiteral("/nonexistent/folder/a.db");
        station::RoundRun run;
        run.makeStation = ports.maker();
        const auto results =
            station::runRound({meter("Com1", 11), meter("Com2", 22)}, settings, run);
        for (const station::MeterVisit& visit : results) {
            QVERIFY(readAll(visit));
            QVERIFY(visit.archiveFailure && visit.archiveFailure->contains("/nonexistent/folder"));
        }
    }

    // Two names of one device are one port: its meters are never visited at once.
    void portsByDevice() {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QVERIFY(QDir().mkpath(comm::portsFolder()));
        const QString device = data.filePath("device");
        QFile touched(device);
        QVERIFY(touched.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(device, QDir(comm::portsFolder()).filePath("com1")));
        const auto ports = station::meterPorts(
            {meter("Com1", 1), meter("Com2", 2), meter(device, 3), meter("com1", 4)});
        QCOMPARE(ports, (QList<QList<qsizetype>>{{0, 2, 3}, {1}}));
    }
};

QTEST_GUILESS_MAIN(TstRound)
#include "tst_round.moc"
