// A line's part in a round: its station, its archive connection, each meter's visit and
// the record of it.

#include "station/round_line.h"

namespace vilt::station::rounds {

namespace {

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

Settings settingsFor(const RoundMeter& meter, const RoundSettings& shared) {
    Settings settings;
    settings.port = meter.port;
    settings.speed = shared.speed;
    settings.waitMs = shared.waitMs;
    settings.waitGiven = shared.waitGiven;
    settings.fast = shared.fast;
    settings.access = meter.password.isEmpty() ? link::AccessMode::ByFactoryNumber
                                               : link::AccessMode::WithPassword;
    settings.factory = static_cast<uint32_t>(meter.factory);
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
    plan.archive = archive;
    return plan;
}

void leave(Station& station) {
    try {
        station.leave();
    } catch (const std::exception&) {
        // The port is closed whatever the hang-up came to.
    }
}

}  // namespace

std::unique_ptr<Station> LineVisitor::station(const QString& port) const {
    std::unique_ptr<Station> station =
        m_run.makeStation ? m_run.makeStation(port) : Station::onSerialPort();
    station->waiter().followStop(m_run.stop);
    return station;
}

std::unique_ptr<archive::Archive> LineVisitor::archive(std::optional<QString>* failure) const {
    if (!m_settings.archive) return nullptr;
    QString error;
    auto opened = archive::Archive::open(*m_settings.archive, &error);
    if (!opened) *failure = error;
    return opened;
}

void LineVisitor::visit(Station& station, qsizetype index, const RoundMeter& meter,
                        archive::Archive* archive, MeterVisit& result) {
    m_teller.tell([&](RoundObserver& o) { o.starting(index); });
    station.trafficLog().onEntry = [this, index](const link::TrafficEntry& entry) {
        m_teller.tell([&](RoundObserver& o) { o.traffic(index, entry); });
    };
    const Settings settings = settingsFor(meter, m_settings);
    VisitTeller teller(m_teller, index);
    try {
        result.visit = station.visit(planFor(settings, m_settings, archive), settings, &teller);
    } catch (const std::exception& error) {
        // An error of the core's own (a conversion it refused) broke the visit off: it is the
        // meter's failure, and no call may stay up after it.
        result.error = QString::fromStdString(error.what());
        leave(station);
    }
    station.trafficLog().onEntry = nullptr;
    record(index, archive, result);
}

void LineVisitor::record(qsizetype index, archive::Archive* archive, MeterVisit& result) {
    if (!archive || !m_run.visitRecord) return;
    const archive::StoreResult stored = archive->storeVisit(m_run.visitRecord(index, result));
    if (stored.status != archive::StoreStatus::Stored) result.recordFailure = stored.error;
}

}  // namespace vilt::station::rounds
