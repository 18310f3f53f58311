// The round: one thread per port running (at most `lines` at once), each taking the next
// port not yet taken and visiting its meters in the list's order with a station of its own,
// made on that thread, and an archive connection of the thread's own.

#include "station/round.h"

#include <QHash>
#include <QThread>
#include <mutex>
#include <vector>

#include "comm/port_map.h"
#include "station/station.h"

namespace vilt::station {

namespace {

// The one lock around every call to the round's watcher.
class Teller {
  public:
    explicit Teller(RoundObserver* observer) : m_observer(observer) {}

    template <typename Call>
    void tell(const Call& call) {
        if (!m_observer) return;
        const std::lock_guard lock(m_mutex);
        call(*m_observer);
    }

  private:
    RoundObserver* m_observer;
    std::mutex m_mutex;
};

// A visit's calls and hang-ups, handed on with the meter they belong to.
class VisitTeller : public VisitObserver {
  public:
    VisitTeller(Teller& teller, qsizetype index) : m_teller(teller), m_index(index) {}
    void dialled(const dialup::DialOutcome& outcome) override {
        m_teller.tell([&](RoundObserver& o) { o.dialled(m_index, outcome); });
    }
    void hungUp(const dialup::DialOutcome& outcome) override {
        m_teller.tell([&](RoundObserver& o) { o.hungUp(m_index, outcome); });
    }

  private:
    Teller& m_teller;
    qsizetype m_index;
};

// The ports not yet taken; a thread that is done with one takes the next.
class PortQueue {
  public:
    explicit PortQueue(QList<QList<qsizetype>> ports) : m_ports(std::move(ports)) {}
    std::optional<QList<qsizetype>> take() {
        const std::lock_guard lock(m_mutex);
        if (m_next >= m_ports.size()) return std::nullopt;
        return m_ports[m_next++];
    }

  private:
    std::mutex m_mutex;
    QList<QList<qsizetype>> m_ports;
    qsizetype m_next = 0;
};

Settings settingsFor(const RoundMeter& meter, const RoundSettings& shared) {
    Settings settings;
    settings.port = meter.port;
    settings.speed = shared.speed;
    settings.waitMs = shared.waitMs;
    settings.fast = shared.fast;
    settings.access = meter.password.isEmpty() ? link::AccessMode::ByFactoryNumber
                                               : link::AccessMode::WithPassword;
    settings.factory = meter.factory;
    settings.password = meter.password;
    if (!meter.phone.isEmpty()) settings.phone = meter.phone;
    return settings;
}

Plan planFor(const Settings& settings, const RoundSettings& shared, archive::Archive* archive) {
    Plan plan;
    plan.dial = settings.phone.has_value();
    plan.access = settings.access;
    plan.energy = plan.months = plan.clock = plan.events = true;
    plan.syncAbove = shared.syncAbove;
    plan.pauseMs = shared.pauseMs;
    plan.callWait = shared.callWait;
    plan.archive = archive;
    return plan;
}

// What each thread does: port after port from the queue until none is left.
class Worker {
  public:
    Worker(const QList<RoundMeter>& meters, const RoundSettings& settings, const RoundRun& run,
           PortQueue& queue, Teller& teller, QList<MeterVisit>& results)
        : m_meters(meters),
          m_settings(settings),
          m_run(run),
          m_queue(queue),
          m_teller(teller),
          m_results(results) {}

    void run() {
        std::unique_ptr<archive::Archive> archive;
        std::optional<QString> archiveFailure;
        if (m_settings.archive) {
            QString error;
            archive = archive::Archive::open(*m_settings.archive, &error);
            if (!archive) archiveFailure = error;
        }
        while (const auto port = m_queue.take()) {
            const std::unique_ptr<Station> station = makeStation(m_meters[port->first()].port);
            for (const qsizetype index : *port) {
                if (!stopped()) {
                    m_results[index].archiveFailure = archiveFailure;
                    visit(*station, index, archive.get());
                    record(index, archive.get());
                }
                m_teller.tell([&](RoundObserver& o) { o.finished(index, m_results[index]); });
            }
        }
    }

  private:
    bool stopped() const { return m_run.stop && m_run.stop->load(); }

    std::unique_ptr<Station> makeStation(const QString& port) const {
        std::unique_ptr<Station> station =
            m_run.makeStation ? m_run.makeStation(port) : Station::onSerialPort();
        station->waiter().followStop(m_run.stop);
        return station;
    }

    void visit(Station& station, qsizetype index, archive::Archive* archive) {
        m_teller.tell([&](RoundObserver& o) { o.starting(index); });
        station.trafficLog().onEntry = [this, index](const link::TrafficEntry& entry) {
            m_teller.tell([&](RoundObserver& o) { o.traffic(index, entry); });
        };
        const Settings settings = settingsFor(m_meters[index], m_settings);
        VisitTeller teller(m_teller, index);
        try {
            m_results[index].visit =
                station.visit(planFor(settings, m_settings, archive), settings, &teller);
        } catch (const std::exception& error) {
            // An error of the core's own (a conversion it refused) broke the visit off: it
            // is the meter's failure, and no call may stay up after it.
            m_results[index].error = QString::fromStdString(error.what());
            leave(station);
        }
        station.trafficLog().onEntry = nullptr;
    }

    void record(qsizetype index, archive::Archive* archive) {
        if (!archive || !m_run.visitRecord) return;
        MeterVisit& result = m_results[index];
        const archive::StoreResult stored = archive->storeVisit(m_run.visitRecord(index, result));
        if (stored.status != archive::StoreStatus::Stored) result.recordFailure = stored.error;
    }

    static void leave(Station& station) {
        try {
            station.leave();
        } catch (const std::exception&) {
            // The port is closed whatever the hang-up came to.
        }
    }

    const QList<RoundMeter>& m_meters;
    const RoundSettings& m_settings;
    const RoundRun& m_run;
    PortQueue& m_queue;
    Teller& m_teller;
    QList<MeterVisit>& m_results;  // each thread writes only the meters of its own ports
};

}  // namespace

QList<QList<qsizetype>> meterPorts(const QList<RoundMeter>& meters) {
    QList<QList<qsizetype>> ports;
    QHash<QString, qsizetype> byDevice;
    for (qsizetype index = 0; index < meters.size(); ++index) {
        QString device = comm::deviceIdentity(meters[index].port);
        if (device.isEmpty()) device = meters[index].port;  // it will not open; alone
        const auto found = byDevice.constFind(device);
        if (found == byDevice.constEnd()) {
            byDevice.insert(device, ports.size());
            ports.append(QList<qsizetype>{index});
        } else {
            ports[*found].append(index);
        }
    }
    return ports;
}

QList<MeterVisit> runRound(const QList<RoundMeter>& meters, const RoundSettings& settings,
                           const RoundRun& run) {
    QList<MeterVisit> results(meters.size());
    const QList<QList<qsizetype>> ports = meterPorts(meters);
    const qsizetype threadCount =
        run.lines > 0 ? std::min<qsizetype>(run.lines, ports.size()) : ports.size();
    PortQueue queue(ports);
    Teller teller(run.observer);
    Worker worker(meters, settings, run, queue, teller, results);
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < threadCount; ++i) {
        threads.emplace_back(QThread::create([&worker] { worker.run(); }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();
    return results;
}

}  // namespace vilt::station
