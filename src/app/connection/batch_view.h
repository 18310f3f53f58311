#pragma once
// The window's view of the dial-up batch: each step of the station's visit shown where the
// user looks for it (the modem row, the connection fields, the exchange group, the panels).

#include "app/frame/services.h"
#include "station/visit.h"

namespace vilt::app {

class ConnectionPage;

class BatchView : public station::VisitObserver {
  public:
    BatchView(Services& services, ConnectionPage& page) : m_services(services), m_page(page) {}

    void dialling() override;
    void dialled(const dialup::DialOutcome& outcome) override;
    void sessionStarting() override;
    void sessionOpened(const link::SessionOutcome& outcome) override;
    void readStarting(ops::Group group) override;
    void read(const ops::ReadOutcome& outcome) override;
    void clockSet(const link::Outcome& outcome) override;
    void sessionClosed(const std::optional<QString>& dtrFailure) override;
    void hungUp(const dialup::DialOutcome& outcome) override;

    // What the whole visit came to, after its steps: a stop is said last.
    void finished(const station::VisitOutcome& outcome);
    // The visit's row in the window's archive, however it ended: the number the session
    // found (factory, the field's, when none opened). A row not taken is told in a box, as a
    // reading not stored is.
    void record(const station::VisitOutcome& outcome, qint64 factory,
                const std::optional<QString>& phone);

  private:
    Services& m_services;
    ConnectionPage& m_page;
};

}  // namespace vilt::app
