#pragma once

namespace vilt::link {

// Thrown from a wait when the user asked to stop the running operation. It is not an error,
// so it derives from nothing an error handler would catch.
struct Stopped {};

// Every wait of the protocol and every point where the window may handle pending user
// input goes through here, so tests can run sessions on a virtual clock.
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void sleep(int ms) = 0;
    virtual void processPendingMessages() = 0;
};

// Real time: the window stays alive through every wait (the operation guard has disabled
// whatever would start another operation), and a stop asked for meanwhile ends the wait.
class SystemWaiter : public Waiter {
  public:
    void sleep(int ms) override;
    void processPendingMessages() override;
    // One turn of the window's events, between the slices of a wait on the line.
    void idle();
    // The running operation ends at its next wait.
    void requestStop() { m_stopRequested = true; }
    void clearStop() { m_stopRequested = false; }

  private:
    void throwIfStopped() const;

    bool m_stopRequested = false;
};

}  // namespace vilt::link
