#include "cli/meter_link.h"

#include "cli/output.h"
#include "link/outcome_texts.h"
#include "station/meter_result.h"

namespace vilt::cli {

namespace {

// The port that would not open, with the reason the session carries.
Failure portFailure(const link::SessionOutcome& session) {
    return Failure{kUsage, session.messages.value(0, link::texts::kPortOpenFailed)};
}

}  // namespace

QStringList modemLines(const dialup::DialOutcome& outcome) {
    QStringList lines;
    for (const QString& reply : outcome.replies) {
        const QString line = reply.simplified();
        if (!line.isEmpty()) lines << QStringLiteral("modem: ") + printable(line);
    }
    for (const QString& message : outcome.messages) lines << message.simplified();
    return lines;
}

QList<Failure> visitFailures(const station::VisitOutcome& outcome,
                             const std::optional<QString>& phone) {
    using Kind = station::VisitFailure::Kind;
    QList<Failure> found;
    for (const station::VisitFailure& failed : station::visitFailures(outcome, phone)) {
        const ExitCode code = failed.kind == Kind::NotHungUp       ? kNotHungUp
                              : failed.kind == Kind::PortNotOpened ? kUsage
                                                                   : kNoLink;
        found << Failure{code, failed.text};
    }
    return found;
}

namespace {

void tell(const dialup::DialOutcome& outcome) {
    for (const QString& line : modemLines(outcome)) err(line);
}

}  // namespace

// What the command line shows of a visit while it runs: the modem's answers as they come;
// the session is kept for the command.
class MeterLink::Teller : public station::VisitObserver {
  public:
    explicit Teller(link::SessionOutcome& session) : m_session(session) {}
    void dialled(const dialup::DialOutcome& outcome) override { tell(outcome); }
    void sessionOpened(const link::SessionOutcome& outcome) override { m_session = outcome; }
    void hungUp(const dialup::DialOutcome& outcome) override { tell(outcome); }

  private:
    link::SessionOutcome& m_session;
};

MeterLink::MeterLink(const Options& options, archive::Archive* archive, Trace* trace)
    : m_options(options),
      m_archive(archive),
      m_ownTrace(trace ? nullptr : std::make_unique<Trace>(options)),
      m_trace(trace ? trace : m_ownTrace.get()) {}

MeterLink::~MeterLink() {
    m_station->close();  // DTR refused on the way out: the port still goes
}

station::Settings MeterLink::settings() const {
    return m_options.meter;
}

std::optional<Failure> MeterLink::startTrace() {
    if (const auto reason = m_trace->open()) return Failure{kUsage, *reason};
    if (!m_trace->wanted()) return std::nullopt;
    m_station->trafficLog().onEntry = [trace = m_trace](const link::TrafficEntry& entry) {
        trace->write(link::formatEntry(entry));
    };
    return std::nullopt;
}

std::optional<Failure> MeterLink::connect() {
    if (auto failure = startTrace()) return failure;
    m_session = m_station->open(settings());
    if (m_session.portFailed) return portFailure(m_session);
    if (!m_session.ok()) return Failure{kNoLink, link::texts::failureText(m_session)};
    return std::nullopt;
}

station::Plan MeterLink::plan() const {
    station::Plan plan;
    plan.dial = m_options.meter.phone.has_value();
    plan.access = m_options.meter.access;
    plan.energy = plan.months = plan.clock = plan.events = false;
    plan.pauseMs = 0;
    plan.archive = m_archive;
    return plan;
}

std::optional<station::VisitOutcome> MeterLink::visit(const station::Plan& plan) {
    if (const auto failure = startTrace()) {
        err(failure->text);
        return std::nullopt;
    }
    Teller teller(m_session);
    return m_station->visit(plan, settings(), &teller);
}

QList<Failure> MeterLink::failures(const station::VisitOutcome& outcome) const {
    return cli::visitFailures(outcome, m_options.meter.phone);
}

void MeterLink::disconnect() {
    m_station->close();
}

}  // namespace vilt::cli
