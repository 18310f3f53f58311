#pragma once

namespace vilt::link {

// Every wait of the protocol and every point where the window may handle pending user
// input goes through here, so tests can run sessions on a virtual clock.
class Waiter {
  public:
    virtual ~Waiter() = default;
    virtual void sleep(int ms) = 0;
    virtual void processPendingMessages() = 0;
};

// Real time: sleeps, letting the window draw itself (but not take input) meanwhile.
class SystemWaiter : public Waiter {
  public:
    void sleep(int ms) override;
    void processPendingMessages() override;
};

}  // namespace vilt::link
