#pragma once
// One command's link: the port opened, DTR raised and the session opened as the connect
// button does it; closed again when the command is done.

#include <QString>

#include "exchange.h"
#include "headless_view.h"
#include "options.h"
#include "session.h"
#include "tcomm.h"
#include "waiter.h"

namespace vilt::cli {

enum ExitCode { kDone = 0, kNoLink = 1, kUsage = 2 };

struct Failure {
    ExitCode code;
    QString text;
};

class MeterLink {
  public:
    explicit MeterLink(const Options& options);
    ~MeterLink();
    MeterLink(const MeterLink&) = delete;
    MeterLink& operator=(const MeterLink&) = delete;

    // Opens port and session; on failure says why and with which exit code.
    std::optional<Failure> connect();

    link::Exchange& exchange() { return m_exchange; }
    HeadlessView& view() { return m_view; }
    // The disconnect button: DTR down, port closed.
    void disconnect() { m_session.close(); }

  private:
    const Options& m_options;
    comm::TComm m_comm;
    link::SystemWaiter m_waiter;
    link::Exchange m_exchange{m_comm, m_waiter};
    HeadlessView m_view;
    link::Session m_session{m_exchange, m_view};
};

}  // namespace vilt::cli
