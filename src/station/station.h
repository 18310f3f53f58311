#pragma once
// One line to one meter at a time: the port, the waiter, the exchange, the session and the
// traffic log, and the sequences over them. The window and the command line both run their
// calls, sessions and visits through here, so each is written once.

#include <functional>
#include <memory>
#include <optional>

#include "comm/serial_line.h"
#include "dialup/dial_up.h"
#include "link/exchange.h"
#include "link/identity.h"
#include "link/session.h"
#include "link/traffic_log.h"
#include "link/waiter.h"
#include "station/settings.h"
#include "station/visit.h"

namespace vilt::station {

class Station {
  public:
    Station(std::unique_ptr<comm::SerialLine> line, std::unique_ptr<link::Waiter> waiter);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // A station on a serial port: waits on the line let the window breathe and see a stop,
    // and every wait ends as soon as the port's device goes away.
    static std::unique_ptr<Station> onSerialPort();

    // The connect button: the port opened at the settings' speed (onPortOpen runs once it
    // is), then the session. A port that will not open says so and tries nothing.
    link::SessionOutcome open(const Settings& settings,
                              const std::function<void()>& onPortOpen = {});
    // The session's own close: DTR down, port closed; the reason DTR could not be lowered.
    std::optional<QString> close();
    // The modem on the settings' port dials their phone; the line is closed when it ends.
    dialup::DialOutcome dial(const Settings& settings,
                             const std::function<void()>& onDialling = {});
    // After the quiet second the modem needs before its escape, the call is hung up.
    dialup::DialOutcome hangUp();
    // The window closing: a session through a call is closed and the call hung up; the
    // port is closed whatever else happens. The hang-up, when there was one.
    std::optional<dialup::DialOutcome> leave();
    // The wait and the fast exchange changed while a session may be open: they hold from the
    // next exchange on; the port's name and speed wait for the next open.
    void retune(const Settings& settings);
    // A whole visit to one meter; see visit.h.
    VisitOutcome visit(const Plan& plan, const Settings& settings,
                       VisitObserver* observer = nullptr);
    // The plan's readings in the session already open (the visit report's): no dial, no
    // session, no close. factory: the number the readings are stored under.
    VisitOutcome readInSession(const Plan& plan, qint64 factory, VisitObserver* observer = nullptr);

    link::Exchange& exchange() { return m_exchange; }
    link::TrafficLog& trafficLog() { return m_log; }
    link::Waiter& waiter() { return *m_waiter; }
    comm::SerialLine& line() { return *m_line; }
    // A dial connected and nothing has ended the call since: no hang-up, no word of the
    // modem's that the far end is gone (NO CARRIER among the bytes that were no reply), no
    // device that went away under the port.
    bool callUp();
    // The meter the open session identified; none without one.
    const std::optional<link::Identity>& identity() const { return m_identity; }

  private:
    void apply(const Settings& settings);
    void noteCall(const dialup::DialOutcome& outcome);
    void noteStray(std::span<const uint8_t> bytes);
    void endVisit(VisitOutcome& outcome, VisitObserver& observer, bool dialled);
    void readGroups(const Plan& plan, qint64 factory, VisitOutcome& outcome,
                    VisitObserver& observer);
    void setClockIfOff(const Plan& plan, VisitOutcome& outcome, VisitObserver& observer);
    void pause(int ms);

    std::unique_ptr<comm::SerialLine> m_line;
    std::unique_ptr<link::Waiter> m_waiter;
    link::Exchange m_exchange;
    link::Session m_session;
    link::TrafficLog m_log;
    bool m_callUp = false;
    QByteArray m_stray;  // the last bytes that were no reply while the call was up
    std::optional<link::Identity> m_identity;
};

}  // namespace vilt::station
