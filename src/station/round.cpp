// The round: one thread per port running (at most `lines` at once), each taking the next
// port not yet taken and visiting its meters in the list's order with a station of its own,
// made on that thread, and an archive connection of the thread's own.

#include "station/round.h"

#include <QHash>
#include <QThread>
#include <mutex>
#include <vector>

#include "comm/port_map.h"
#include "station/round_line.h"

namespace vilt::station {

namespace {

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

// What each thread does: port after port from the queue until none is left.
class Worker {
  public:
    Worker(const QList<RoundMeter>& meters, rounds::LineVisitor& visitor, PortQueue& queue,
           rounds::Teller& teller, QList<MeterVisit>& results)
        : m_meters(meters),
          m_visitor(visitor),
          m_queue(queue),
          m_teller(teller),
          m_results(results) {}

    void run() {
        std::optional<QString> archiveFailure;
        const std::unique_ptr<archive::Archive> archive = m_visitor.archive(&archiveFailure);
        while (const auto port = m_queue.take()) {
            const std::unique_ptr<Station> station =
                m_visitor.station(m_meters[port->first()].port);
            for (const qsizetype index : *port) {
                if (!m_visitor.stopped()) {
                    m_results[index].archiveFailure = archiveFailure;
                    m_visitor.visit(*station, index, m_meters[index], archive.get(),
                                    m_results[index]);
                }
                m_teller.tell([&](RoundObserver& o) { o.finished(index, m_results[index]); });
            }
        }
    }

  private:
    const QList<RoundMeter>& m_meters;
    rounds::LineVisitor& m_visitor;
    PortQueue& m_queue;
    rounds::Teller& m_teller;
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
    rounds::Teller teller(run.observer);
    rounds::LineVisitor visitor(settings, run, teller);
    Worker worker(meters, visitor, queue, teller, results);
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < threadCount; ++i) {
        threads.emplace_back(QThread::create([&worker] { worker.run(); }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();
    return results;
}

}  // namespace vilt::station
