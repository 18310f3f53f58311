#pragma once
// A waiter that spends no real time: it moves a virtual clock and logs every wait and
// every point where pending messages would be handled.

#include <QStringList>
#include <functional>

#include "link/waiter.h"

namespace vilt::test {

class VirtualClock : public link::Waiter {
  public:
    void sleep(int ms) override;
    void processPendingMessages() override;

    qint64 now() const { return m_now; }
    void advance(qint64 ms) { m_now += ms; }
    void note(const QString& entry) { m_log << entry; }

    // The log with runs of one entry folded: "wait 2" twenty times is "wait 2 x20".
    QStringList log() const;
    void clearLog() { m_log.clear(); }

    // Runs while "pending messages" are handled, as a click during a session would.
    std::function<void()> onMessages;

  private:
    qint64 m_now = 0;
    QStringList m_log;
};

}  // namespace vilt::test
