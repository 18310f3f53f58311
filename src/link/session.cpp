#include "link/session.h"

#include <array>

#include "comm/comm_error.h"
#include "link/outcome_texts.h"
#include "link/waiter.h"

namespace vilt::link {

uint32_t loginCode(int32_t password, uint32_t challenge) {
    uint32_t v = static_cast<uint32_t>(password) + 0x62E6u;
    const uint32_t byteSum = (v & 0xFF) + (v >> 8 & 0xFF) + (v >> 16 & 0xFF) + (v >> 24);
    const int rounds = static_cast<int>(byteSum % 16) + 1;
    uint32_t code = challenge;
    uint32_t carry = 0;
    for (int i = 0; i < rounds; ++i) {
        const uint32_t top = v >> 31;
        v = (v << 1) + carry;
        code ^= v;
        carry = top;
    }
    return code;
}

namespace {

Result<Identity> identity(Exchange& exchange, Command command) {
    const Check check = exchange.run(command);
    if (check != Check::Ok) return {check};
    return {check, decodeIdentity(exchange.receiveArea())};
}

}  // namespace

Result<Identity> requestLocalIdentity(Exchange& exchange) {
    return identity(exchange, Command::LocalIdentity);
}

Result<Identity> requestIdentity(Exchange& exchange) {
    return identity(exchange, Command::Identity);
}

Result<uint32_t> requestChallenge(Exchange& exchange) {
    const Check check = exchange.run(Command::Challenge);
    if (check != Check::Ok) return {check};
    const auto data = exchange.replyData(4);
    return {check, static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16) |
                       static_cast<uint32_t>(data[3]) << 24};
}

Check sendLogin(Exchange& exchange, uint32_t code) {
    std::array<uint8_t, 4> payload{};
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(code >> (8 * i));
    return exchange.run(Command::Login, payload);
}

SessionOutcome Session::open(const SessionRequest& request) {
    m_exchange.line().SetDTRState(true);
    m_exchange.waiter().sleep(kDtrSettleMs);
    m_exchange.meterAddress = 0;
    m_password = request.password;
    m_askedForNumber = false;
    SessionOutcome outcome;
    outcome.mode = request.mode;
    outcome.factory = request.factory;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (outcome.result == 0 || outcome.loginFailed) break;
        runAttempt(outcome);
    }
    outcome.status = outcome.result == 0 ? Status::Done : Status::NoLink;
    return outcome;
}

void Session::runAttempt(SessionOutcome& outcome) {
    if (outcome.mode == AccessMode::Local) {
        const auto reply = requestLocalIdentity(m_exchange);
        if (reply.ok()) {
            m_exchange.meterAddress = reply.value.address;
            outcome.identity = reply.value;
            // Another number than the one asked for: the session goes on by that number.
            if (reply.value.address != outcome.factory) outcome.mode = AccessMode::ByFactoryNumber;
            outcome.factory = reply.value.address;
        }
        outcome.add(Command::LocalIdentity, reply.check, m_exchange.meterAddress);
        outcome.result = static_cast<int>(reply.check);  // 1 count, 2 code, 3 CRC
    }
    m_exchange.waiter().processPendingMessages();
    if (outcome.mode == AccessMode::ByFactoryNumber) {
        m_exchange.meterAddress = outcome.factory;
        outcome.result = identify(outcome);
    }
    if (outcome.mode == AccessMode::WithPassword) {
        m_exchange.meterAddress = outcome.factory;
        outcome.result = identify(outcome);
        outcome.result += logIn(outcome);
    }
}

int Session::identify(SessionOutcome& outcome) {
    const auto reply = requestIdentity(m_exchange);
    if (reply.ok()) outcome.identity = reply.value;
    return outcome.add(Command::Identity, reply.check, m_exchange.meterAddress) == Check::Ok ? 0
                                                                                             : 1;
}

// The challenge, then the login response whenever the challenge came and the password is a
// number. A failed response ends the session: nothing below would be allowed anyway, and a
// port left open would refuse the next connect.
int Session::logIn(SessionOutcome& outcome) {
    const auto challenge = requestChallenge(m_exchange);
    if (outcome.add(Command::Challenge, challenge.check, m_exchange.meterAddress) != Check::Ok)
        return 1;
    bool isNumber = false;
    const int32_t password = m_password.trimmed().toInt(&isNumber, 10);
    if (!isNumber) {
        // Never answer the challenge with a code that cannot be right.
        if (!m_askedForNumber) outcome.messages << texts::kNotANumber;
        m_askedForNumber = true;
        return 0;
    }
    const Check check = sendLogin(m_exchange, loginCode(password, challenge.value));
    outcome.add(Command::Login, check, m_exchange.meterAddress);
    if (check == Check::Ok) return 0;
    outcome.loginFailed = true;
    m_exchange.line().Close();
    return 1;
}

std::optional<QString> Session::close() {
    // The port may already be closed (another port chosen meanwhile): then there is no DTR to
    // lower. Whatever DTR does, the port goes, or the user would be left without a way back
    // to connect.
    comm::SerialLine& line = m_exchange.line();
    std::optional<QString> reason;
    try {
        if (line.Enabled()) line.SetDTRState(false);
    } catch (const comm::CommError& error) {
        reason = QString::fromStdString(error.what());
    }
    line.Close();
    return reason;
}

}  // namespace vilt::link
