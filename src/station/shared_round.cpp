// The shared round: a thread per line, each with its station, its archive connection and its
// connection for claims, claiming meter after meter until none is left for it.

#include "station/shared_round.h"

#include <QThread>
#include <deque>
#include <mutex>
#include <vector>

#include "station/round_line.h"

namespace vilt::station {

namespace {

// The meters this station visited, in the order they were claimed. Each line fills in only
// its own; the list itself grows under the lock.
class Visits {
  public:
    std::pair<qsizetype, SharedVisit*> add(SharedVisit visit) {
        const std::lock_guard lock(m_mutex);
        m_visits.push_back(std::move(visit));
        return {qsizetype(m_visits.size()) - 1, &m_visits.back()};
    }
    QList<SharedVisit> all() const { return QList<SharedVisit>(m_visits.begin(), m_visits.end()); }

  private:
    std::mutex m_mutex;
    std::deque<SharedVisit> m_visits;  // a deque keeps every element where it is
};

// A claimed meter as its line visits it: the line's port, and the modem's call when the meter
// has a phone.
RoundMeter visitedAs(const RoundMeter& meter, const SharedLine& line) {
    RoundMeter visited = meter;
    visited.port = line.port;
    return visited;
}

class SharedWorker {
  public:
    SharedWorker(const SharedRun& shared, rounds::LineVisitor& visitor, rounds::Teller& teller,
                 Visits& visits)
        : m_shared(shared), m_visitor(visitor), m_teller(teller), m_visits(visits) {}

    void run(const SharedLine& line) {
        QString error;
        const auto claims = archive::RoundClaims::open(m_shared.place, &error);
        if (!claims) return failed(line, error);
        std::optional<QString> archiveFailure;
        const std::unique_ptr<archive::Archive> archive = m_visitor.archive(&archiveFailure);
        const std::unique_ptr<Station> station = m_visitor.station(line.port);
        const archive::LineScope scope{line.modem, m_shared.station, line.port};
        while (!m_visitor.stopped()) {
            const auto meter = claims->claim(scope, &error);
            if (!meter) {
                if (!error.isEmpty()) failed(line, error);
                return;
            }
            auto [index, visit] = m_visits.add({*meter, visitedAs(*meter, line), {}, {}});
            m_teller.tell([&](RoundObserver& o) { o.claimed(index, visit->visited); });
            visit->visit.archiveFailure = archiveFailure;
            m_visitor.visit(*station, index, visit->visited, archive.get(), visit->visit);
            const auto [ok, result] = m_shared.result(*visit);
            if (const QString refused = claims->finish(m_shared.station, ok, result);
                !refused.isEmpty())
                visit->markFailure = refused;
            m_teller.tell([&](RoundObserver& o) { o.finished(index, visit->visit); });
        }
    }

  private:
    void failed(const SharedLine& line, const QString& error) {
        m_teller.tell([&](RoundObserver& o) { o.lineFailed(line.port, error); });
    }

    const SharedRun& m_shared;
    rounds::LineVisitor& m_visitor;
    rounds::Teller& m_teller;
    Visits& m_visits;
};

}  // namespace

QList<SharedVisit> runSharedRound(const SharedRun& shared, const RoundSettings& settings,
                                  const RoundRun& run) {
    rounds::Teller teller(run.observer);
    rounds::LineVisitor visitor(settings, run, teller);
    Visits visits;
    SharedWorker worker(shared, visitor, teller, visits);
    std::vector<std::unique_ptr<QThread>> threads;
    for (const SharedLine& line : shared.lines) {
        threads.emplace_back(QThread::create([&worker, &line] { worker.run(line); }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();
    return visits.all();
}

}  // namespace vilt::station
