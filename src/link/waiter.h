#pragma once

#include <atomic>
#include <functional>

namespace vilt::link {

// Thrown from a wait when the user asked to stop the running operation. It is not an error,
// so it derives from nothing an error handler would catch.
struct Stopped {};

// Every wait of the protocol and every point where the window may handle pending user
// input goes through here, so tests can run sessions on a virtual clock. A stop asked for
// ends the running operation at its next wait.
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void sleep(int ms) = 0;
    virtual void processPendingMessages() = 0;

    // The running operation ends at its next wait.
    void requestStop() { m_stopRequested = true; }
    void clearStop() { m_stopRequested = false; }
    bool stopRequested() const { return m_stopRequested || (m_sharedStop && m_sharedStop->load()); }
    // A stop asked for from another thread (a round stopped while its stations run): the
    // flag is looked at in every wait, as a stop asked for here is; none: only requestStop.
    void followStop(const std::atomic<bool>* flag) { m_sharedStop = flag; }

  protected:
    void throwIfStopped() const {
        if (stopRequested() && m_shields == 0) throw Stopped{};
    }

  private:
    friend class StopShield;
    bool m_stopRequested = false;
    const std::atomic<bool>* m_sharedStop = nullptr;
    int m_shields = 0;
};

// While one lives, waits run to their end whatever is asked: what follows a stop (closing
// the session, hanging up the call) must not be cut short by the same stop.
class StopShield {
  public:
    explicit StopShield(Waiter& waiter) : m_waiter(waiter) { ++m_waiter.m_shields; }
    ~StopShield() { --m_waiter.m_shields; }
    StopShield(const StopShield&) = delete;
    StopShield& operator=(const StopShield&) = delete;

  private:
    Waiter& m_waiter;
};

// Real time: the window stays alive through every wait (the operation guard has disabled
// whatever would start another operation), and a stop asked for meanwhile ends the wait.
class SystemWaiter : public Waiter {
  public:
    void sleep(int ms) override;
    void processPendingMessages() override;
    // One turn of the window's events, between the slices of a wait on the line.
    void idle();
    // Runs between the slices of every wait; it may throw to end the wait (the line's
    // device went away, say), so that a long wait does not outlast what it waits for.
    void setWatch(std::function<void()> watch) { m_watch = std::move(watch); }

  private:
    std::function<void()> m_watch;
};

}  // namespace vilt::link
