#include "session.h"

#include <array>

#include "session_texts.h"
#include "waiter.h"

namespace vilt::link {

namespace {

constexpr uint8_t kLocalIdentity = 0x7F;
constexpr uint8_t kIdentity = 0x25;
constexpr uint8_t kChallenge = 0x1C;
constexpr uint8_t kLogin = 0x20;
constexpr int kChallengeReplyLength = 10;

// Panels a new session clears; the event panel outlives a reconnect.
constexpr std::array kSessionPanels = {
    Panel::Cv_ok,          Panel::Net_cv,     Panel::Cv_ok_rd,    Panel::Cv_ok_rd_wr,
    Panel::No_pass,        Panel::Ok_rtar,    Panel::Ok_are,      Panel::Ok_wrplase,
    Panel::Ok_reset,       Panel::Ok_wrtar,   Panel::Ok_rdtime,   Panel::Ok_stime,
    Panel::Ok_wrtime,      Panel::Ok_s_512,   Panel::Ok_rd_kalib, Panel::Ok_wr_kalib,
    Panel::Ok_wr_serNum,   Panel::Ok_rd_sr30, Panel::Net_sr,      Panel::Ok_Sk,
    Panel::Ok_wr_password,
};

}  // namespace

uint32_t CoderPsw(int32_t password, uint32_t challenge) {
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

Session::Session(Exchange& exchange, SessionView& view) : m_exchange(exchange), m_view(view) {}

int Session::open() {
    m_exchange.line().SetDTRState(true);
    m_exchange.waiter().sleep(kDtrSettleMs);
    m_exchange.meterAddress = 0;
    resetView();
    m_view.setConnectShown(false);
    m_view.repaintWindow();
    m_askedForNumber = false;
    m_result = kNotTried;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (m_result != 0) runAttempt();
    }
    return m_result;
}

void Session::runAttempt() {
    if (m_view.accessMode() == kLocal) m_result = RxdInfo();
    m_exchange.waiter().processPendingMessages();
    if (m_view.accessMode() == kByFactoryNumber) {
        m_exchange.meterAddress = m_view.factoryNumber();
        m_result = RxdRdInfo();
    }
    if (m_view.accessMode() == kWithPassword) {
        m_exchange.meterAddress = m_view.factoryNumber();
        m_result = RxdRdInfo();
        m_result += RxdRdRandom();
        // A failure earlier in this session leaves Net_cv up and skips the login.
        if (!m_view.panelVisible(Panel::Net_cv) && m_codeReady) m_result += RxdWrPsw();
    }
}

void Session::close() {
    // The port may already be closed (another port chosen meanwhile): then there is no
    // DTR to lower, and refusing would leave the user without a way back to connect.
    if (m_exchange.line().Enabled()) m_exchange.line().SetDTRState(false);
    m_exchange.line().Close();
    m_view.setConnectShown(true);
    resetView();
    m_view.setPanelVisible(Panel::Ok_rdevent, false);
}

void Session::resetView() {
    m_view.setInfo(texts::kBlankLabel, texts::kBlankLabel, texts::kBlankLabel);
    for (Panel panel : kSessionPanels) m_view.setPanelVisible(panel, false);
}

void Session::reportFailure(Check check) {
    m_view.setPanelVisible(Panel::Cv_ok, false);
    m_view.setPanelVisible(Panel::Net_cv, true);
    m_view.setStatus(0, texts::linkFailure(check));
}

void Session::showIdentity(const Identity& identity) {
    m_view.setInfo(identity.place, QString::number(identity.model), versionText(identity.version));
}

int Session::RxdInfo() {
    const Check check = m_exchange.run(
        {.code = kLocalIdentity, .replyLength = kIdentityReplyLength, .local = true});
    if (check != Check::Ok) {
        reportFailure(check);
        return static_cast<int>(check);  // 1 count, 2 code, 3 CRC
    }
    const Identity identity = decodeIdentity(m_exchange.receiveArea());
    m_view.setPanelVisible(Panel::Cv_ok, true);
    m_view.enableOperations();
    m_view.setStatus(0, texts::kLocalSession);
    showIdentity(identity);
    m_exchange.meterAddress = identity.address;
    m_view.setFactoryNumber(identity.address);
    m_view.setStatus(1, texts::kLocalNumber + QString::number(identity.address));
    return 0;
}

int Session::RxdRdInfo() {
    const Check check = m_exchange.run({.code = kIdentity, .replyLength = kIdentityReplyLength});
    if (check != Check::Ok) {
        reportFailure(check);
        m_view.setPanelVisible(Panel::Cv_ok_rd, false);
        return 1;
    }
    m_view.setPanelVisible(Panel::Cv_ok_rd, true);
    m_view.enableOperations();
    m_view.setStatus(0, texts::kFactorySession);
    m_view.setStatus(1, texts::kFactoryNumber + QString::number(m_exchange.meterAddress));
    showIdentity(decodeIdentity(m_exchange.receiveArea()));
    return 0;
}

int Session::RxdRdRandom() {
    m_codeReady = false;
    const Check check = m_exchange.run({.code = kChallenge, .replyLength = kChallengeReplyLength});
    if (check != Check::Ok) {
        reportFailure(check);
        return 1;
    }
    const auto reply = m_exchange.receiveArea();
    m_code = static_cast<uint32_t>(reply[4] | reply[5] << 8 | reply[6] << 16) |
             static_cast<uint32_t>(reply[7]) << 24;
    bool isNumber = false;
    const int32_t password = m_view.passwordText().trimmed().toInt(&isNumber, 10);
    if (!isNumber) {
        // Never answer the challenge with a code that cannot be right.
        if (!m_askedForNumber) m_view.message(texts::kNotANumber);
        m_askedForNumber = true;
        return 0;
    }
    m_code = CoderPsw(password, m_code);
    m_codeReady = true;
    return 0;
}

int Session::RxdWrPsw() {
    std::array<uint8_t, 4> payload{};
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(m_code >> (8 * i));
    const Check check = m_exchange.run(acknowledged(kLogin, payload));
    if (check == Check::Ok) {
        m_view.setPanelVisible(Panel::Cv_ok_rd_wr, true);
        m_view.setStatus(0, texts::kPasswordSession);
        m_view.setStatus(1, texts::kFactoryNumber + QString::number(m_exchange.meterAddress));
        return 0;
    }
    m_view.setPanelVisible(Panel::Cv_ok, false);
    if (check == Check::Ack) {
        m_view.setPanelVisible(Panel::No_pass, true);
        m_view.setStatus(0, texts::kPasswordRefused);
    } else {
        m_view.setPanelVisible(Panel::Net_cv, true);
        m_view.setStatus(0, texts::linkFailure(check));
    }
    endLogin();
    return 1;
}

// A failed login ends the session: nothing below would be allowed anyway, and a port left
// open behind the connect button would refuse the next connect.
void Session::endLogin() {
    m_view.setPanelVisible(Panel::Cv_ok_rd, false);
    m_view.setConnectShown(true);
    m_exchange.line().Close();
}

}  // namespace vilt::link
