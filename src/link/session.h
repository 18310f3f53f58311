#pragma once
// Opening and closing a session with a meter in one of three access modes.

#include <cstdint>

#include "exchange.h"
#include "identity.h"
#include "panels.h"

namespace vilt::link {

enum AccessMode { kLocal = 0, kByFactoryNumber = 1, kWithPassword = 2 };

// The connection controls the session reads and fills.
class SessionView : public virtual Display {
  public:
    virtual int accessMode() const = 0;  // read afresh at every test
    virtual uint32_t factoryNumber() const = 0;
    // Shows a factory number; a changed number switches to kByFactoryNumber.
    virtual void setFactoryNumber(uint32_t number) = 0;
    virtual QString passwordText() const = 0;
    virtual void setInfo(const QString& place, const QString& model, const QString& version) = 0;
    // true: the connect button is shown, false: the disconnect button.
    virtual void setConnectShown(bool shown) = 0;
    virtual void enableOperations() = 0;
    virtual void repaintWindow() = 0;
};

// The password code of the login response: the password stirred into the challenge.
uint32_t CoderPsw(int32_t password, uint32_t challenge);

class Session {
  public:
    static constexpr int kAttempts = 3;
    static constexpr int kDtrSettleMs = 500;
    static constexpr int kNotTried = 10;

    Session(Exchange& exchange, SessionView& view);

    // Everything of the connect button after the port has been opened: DTR, the settling
    // wait and up to three attempts. Returns the session result, 0 on success.
    int open();
    // The disconnect button: DTR down, port closed, the window back to no session.
    void close();

    int RxdInfo();
    int RxdRdInfo();
    int RxdRdRandom();
    int RxdWrPsw();

    int result() const { return m_result; }

  private:
    void runAttempt();
    void resetView();
    void reportFailure(Check check);
    void showIdentity(const Identity& identity);
    void endLogin();

    Exchange& m_exchange;
    SessionView& m_view;
    int m_result = kNotTried;
    uint32_t m_code = 0;       // the challenge, then the password code in its place
    bool m_codeReady = false;  // the password text was a number
    bool m_askedForNumber = false;
};

}  // namespace vilt::link
