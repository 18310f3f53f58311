#pragma once
// One command's link: the port opened, DTR raised and the session opened as the connect
// button does it; closed again when the command is done.

#include <QFile>
#include <QString>
#include <optional>

#include "archive/archive.h"
#include "cli/options.h"
#include "comm/tcomm.h"
#include "link/exchange.h"
#include "link/session.h"
#include "link/traffic_log.h"
#include "link/waiter.h"

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

class MeterLink {
  public:
    // archive: where the command stores its readings; none when it stores nothing.
    explicit MeterLink(const Options& options, archive::Archive* archive = nullptr);
    ~MeterLink();
    MeterLink(const MeterLink&) = delete;
    MeterLink& operator=(const MeterLink&) = delete;

    // Opens port and session; on failure says why and with which exit code. A trace file
    // that cannot be written is a usage failure.
    std::optional<Failure> connect();

    // The dial button before connect: the modem's answers and messages on standard error.
    // A dial that did not connect is a link failure; nothing is hung up after it. The session
    // then runs at 9600, the speed the dial gave the port.
    std::optional<Failure> dial(const QString& number);
    bool dialled() const { return m_dialled; }
    // Ends the session and, after the quiet second the modem needs before "+++", hangs up
    // the call dial made. A refused hang-up is a kNotHungUp failure; the call stays.
    std::optional<Failure> hangUp();

    link::Exchange& exchange() { return m_exchange; }
    const link::SessionOutcome& session() const { return m_outcome; }
    archive::Archive* archive() const { return m_archive; }
    // The disconnect button: DTR down, port closed.
    void disconnect();

  private:
    void startTrace();

    const Options& m_options;
    archive::Archive* m_archive;
    comm::TComm m_comm;
    comm::BaudRate m_speed;
    bool m_dialled = false;
    link::SystemWaiter m_waiter;
    link::Exchange m_exchange{m_comm, m_waiter};
    link::Session m_session{m_exchange};
    link::SessionOutcome m_outcome;
    link::TrafficLog m_log;
    QFile m_traceFile;
};

}  // namespace vilt::cli
