#pragma once
// One command's link: a station on the command line's port, the session opened as the
// connect button does it, or a whole visit through a call; closed again when the command is
// done. The modem's answers and the traffic go to standard error (and the trace file).

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "archive/archive.h"
#include "cli/options.h"
#include "cli/trace.h"
#include "link/exchange.h"
#include "link/session.h"
#include "station/station.h"

namespace vilt::cli {

// kDiffers: the meter does not hold what a file holds (tariff verify). kNotHungUp: the
// command was done but the modem did not confirm the hang-up (the call may still stand).
enum ExitCode {
    kDone = 0,
    kNoLink = 1,
    kUsage = 2,
    kNothingThere = 3,
    kDiffers = 4,
    kArchive = 5,
    kNotHungUp = 6
};

struct Failure {
    ExitCode code;
    QString text;
};

// The modem's answers, one line each, as the status bar showed them in turn ("modem: …");
// then the messages of the boxes.
QStringList modemLines(const dialup::DialOutcome& outcome);

// What a visit failed in, in order: the dial to phone (a link failure), the session, a port
// that went away, and an unconfirmed hang-up (kNotHungUp).
QList<Failure> visitFailures(const station::VisitOutcome& outcome,
                             const std::optional<QString>& phone);

class MeterLink {
  public:
    // archive: where the command stores its readings; none when it stores nothing. trace:
    // shared by the links of a round; none for a trace of this link's own.
    explicit MeterLink(const Options& options, archive::Archive* archive = nullptr,
                       Trace* trace = nullptr);
    ~MeterLink();
    MeterLink(const MeterLink&) = delete;
    MeterLink& operator=(const MeterLink&) = delete;

    // Opens port and session; on failure says why and with which exit code. A trace file
    // that cannot be written is a usage failure.
    std::optional<Failure> connect();

    // A visit on the options' settings: the call when the plan dials (the modem's answers
    // on standard error), the session, the plan's readings and task, the close and the
    // hang-up. A trace file that cannot be written ends it before anything: none then.
    std::optional<station::VisitOutcome> visit(const station::Plan& plan);
    // visitFailures of a visit on the options' phone.
    QList<Failure> failures(const station::VisitOutcome& outcome) const;
    // A visit with nothing read: the options' access, and the wait --timeout gave the
    // session through the call (the dial's own otherwise).
    station::Plan plan() const;

    link::Exchange& exchange() { return m_station->exchange(); }
    station::Station& station() { return *m_station; }
    const link::SessionOutcome& session() const { return m_session; }
    archive::Archive* archive() const { return m_archive; }
    // The disconnect button: DTR down, port closed.
    void disconnect();

  private:
    class Teller;
    std::optional<Failure> startTrace();
    station::Settings settings() const;

    const Options& m_options;
    archive::Archive* m_archive;
    std::unique_ptr<Trace> m_ownTrace;  // before the station: it traces the station's close
    Trace* m_trace;
    std::unique_ptr<station::Station> m_station = station::Station::onSerialPort();
    link::SessionOutcome m_session;
};

}  // namespace vilt::cli
