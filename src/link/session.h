#pragma once
// Opening and closing a session with a meter in one of three access modes.
//
//   requestLocalIdentity      request 00 7F CRC         reply 28: identity reply
//   requestIdentity    request hdr 25 CRC        reply 28: identity reply
//   requestChallenge  request hdr 1C CRC        reply 10: challenge at 4-7, LSB first
//   sendLogin     request hdr 20 code CRC   reply: acknowledgement, accepted with 0xAA

#include <QString>
#include <cstdint>
#include <optional>

#include "link/exchange.h"
#include "link/identity.h"
#include "link/outcome.h"

namespace vilt::link {

// In the order the connection page offers them.
enum class AccessMode { Local, ByFactoryNumber, WithPassword };

// What the user asks for when a session is opened.
struct SessionRequest {
    AccessMode mode = AccessMode::Local;
    uint32_t factory = 0;
    QString password;  // decimal text, used with a password
};

struct SessionOutcome : Outcome {
    static constexpr int kNotTried = 10;

    int result = kNotTried;  // 0 on success; for a local identity failure 1, 2 or 3 by test
    // The mode and factory number as the session leaves them: a local identity that finds
    // another number goes on by that number.
    AccessMode mode = AccessMode::Local;
    uint32_t factory = 0;
    std::optional<Identity> identity;  // the meter's last identity reply
    bool loginFailed = false;          // the login response failed: the port is closed
    bool portFailed = false;           // the port would not open: nothing was tried
};

// The password code of the login response: the password stirred into the challenge.
uint32_t loginCode(int32_t password, uint32_t challenge);

Result<Identity> requestLocalIdentity(Exchange& exchange);
Result<Identity> requestIdentity(Exchange& exchange);
Result<uint32_t> requestChallenge(Exchange& exchange);
Check sendLogin(Exchange& exchange, uint32_t code);

class Session {
  public:
    static constexpr int kAttempts = 3;
    static constexpr int kDtrSettleMs = 500;

    explicit Session(Exchange& exchange) : m_exchange(exchange) {}

    // Everything of opening a session after the port has been opened: DTR, the settling
    // wait and up to three attempts.
    SessionOutcome open(const SessionRequest& request);
    // Ends the session: DTR down, port closed. The port closes even where DTR cannot be
    // lowered (the device is gone); then the reason is returned.
    std::optional<QString> close();

  private:
    void runAttempt(SessionOutcome& outcome);
    int identify(SessionOutcome& outcome);
    int logIn(SessionOutcome& outcome);

    Exchange& m_exchange;
    QString m_password;
    bool m_askedForNumber = false;
};

}  // namespace vilt::link
