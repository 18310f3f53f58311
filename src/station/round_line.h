#pragma once
// What a line of a round does for each meter, whichever round it serves (a list of meters,
// or the round several stations share): the station of its port, the archive connection of
// its thread, the visit with the watcher told under the round's one lock, and the record of
// the visit stored once it has ended.

#include <memory>
#include <mutex>

#include "archive/archive.h"
#include "station/round.h"
#include "station/station.h"

namespace vilt::station::rounds {

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

class LineVisitor {
  public:
    LineVisitor(const RoundSettings& settings, const RoundRun& run, Teller& teller)
        : m_settings(settings), m_run(run), m_teller(teller) {}

    bool stopped() const { return m_run.stop && m_run.stop->load(); }
    // Made on the calling thread, which is the only one to use it.
    std::unique_ptr<Station> station(const QString& port) const;
    // The thread's own connection to the round's archive; none when the round stores
    // nothing, or when it cannot be opened (*failure then says why).
    std::unique_ptr<archive::Archive> archive(std::optional<QString>* failure) const;
    // The meter (index: its place in the round) visited on station; its result filled in,
    // and the record of the visit stored in archive.
    void visit(Station& station, qsizetype index, const RoundMeter& meter,
               archive::Archive* archive, MeterVisit& result);

  private:
    void record(qsizetype index, archive::Archive* archive, MeterVisit& result);

    const RoundSettings& m_settings;
    const RoundRun& m_run;
    Teller& m_teller;
};

}  // namespace vilt::station::rounds
