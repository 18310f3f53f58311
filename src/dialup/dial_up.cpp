#include "dialup/dial_up.h"

#include <algorithm>
#include <cstring>

#include "comm/comm_error.h"
#include "dialup/answer.h"
#include "link/traffic_log.h"
#include "link/waiter.h"

namespace vilt::dialup {

using link::Exchange;
using link::Status;

namespace {

constexpr int kWakeUpMs = 300;
constexpr int kCommandMs = 500;
constexpr int kAnswerPollMs = 10;
constexpr int kAnswerProgress = 21;

}  // namespace

DialOutcome DialUp::dial(const std::optional<QString>& number,
                         const std::function<void()>& onDialling) {
    DialOutcome outcome;
    if (!number) return DialOutcome::refused(kForgotNumber);
    // A number the send area cannot take is refused before anything is sent.
    if (number->size() > kLongestNumber) return DialOutcome::refused(kNotADigit);
    m_opened = false;
    m_numberSent = false;
    try {
        dialSteps(*number, outcome, onDialling);
    } catch (const link::Stopped&) {
        const link::StopShield shield(m_exchange.waiter());
        giveUpDial(outcome);
        outcome.status = Status::Stopped;
    } catch (const comm::CommError& error) {
        // A port that was open before (a session on it) is not this dial's to close.
        if (m_opened) closeLine();
        outcome.state = CallState::Idle;
        outcome.status = Status::PortFailed;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}

void DialUp::dialSteps(const QString& number, DialOutcome& outcome,
                       const std::function<void()>& onDialling) {
    if (!prepare(outcome, onDialling) || !checkSpeed(outcome) || !sendNumber(number, outcome))
        return;
    awaitAnswer();
    takeAnswer(outcome);
}

// The port at 9600, DTR up, the modem woken and its echo turned off.
bool DialUp::prepare(DialOutcome& outcome, const std::function<void()>& onDialling) {
    comm::SerialLine& line = m_exchange.line();
    line.SetBaudRate(comm::BaudRate::br9600);
    outcome.portSet = true;
    line.Open();
    if (!line.Enabled()) {
        outcome.status = Status::Refused;
        outcome.messages << kForgotPort;
        return false;
    }
    m_opened = true;
    outcome.state = CallState::Dialling;
    if (onDialling) onDialling();
    m_exchange.waiter().processPendingMessages();
    line.SetDTRState(true);
    readInto(Exchange::kModemArea);
    wakeUp(Exchange::kModemArea);
    send(QByteArrayLiteral("at\r\r"));
    pause(kCommandMs);
    readInto(Exchange::kReceiveArea);
    wakeUp(Exchange::kModemArea);
    send(QByteArrayLiteral("ate0\r") + QByteArray(7, '\0'));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    return true;
}

// The modem's port speed must be, and stay, 9600.
bool DialUp::checkSpeed(DialOutcome& outcome) {
    send(QByteArrayLiteral("at+ipr=9600\r"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    if (!replyHas(kOk)) {
        outcome.speedRefused = true;
        fail(outcome, kNoModemAnswer);
        return false;
    }
    wakeUp(Exchange::kReceiveArea);
    send(QByteArrayLiteral("at+ipr?\r"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    if (!replyHas(kOk)) {
        fail(outcome, kNoModemAnswer);
        return false;
    }
    if (!replyHas(k9600)) {
        fail(outcome, kWrongModemSpeed);
        return false;
    }
    return true;
}

// "atd", the digits, CR; a character that is no digit stops it before it is sent.
bool DialUp::sendNumber(const QString& number, DialOutcome& outcome) {
    wakeUp(Exchange::kReceiveArea);
    QByteArray command = QByteArrayLiteral("atd");
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            fail(outcome, kNotADigit);
            outcome.status = Status::Refused;
            return false;
        }
        command.append(static_cast<char>(c.unicode()));
    }
    send(command + '\r');
    m_numberSent = true;
    return true;
}

// The answer is read on, piece after piece, until it holds a word that decides the call,
// however the line splits it; at most kAnswerReads reads.
void DialUp::awaitAnswer() {
    int held = 0;
    for (int attempt = 1; attempt <= kAnswerReads; ++attempt) {
        const int got = readInto(Exchange::kModemArea + held, kSearchedPositions - held);
        held += got;
        m_exchange.reportProgress(kAnswerProgress, std::min(attempt, kAnswerProgress));
        m_exchange.waiter().processPendingMessages();
        if (held >= kSearchedPositions || answerDecides(modemArea())) break;
        if (got == 0) m_exchange.waiter().sleep(kAnswerPollMs);
    }
    m_exchange.reportProgress(kAnswerProgress, 0);
}

void DialUp::takeAnswer(DialOutcome& outcome) {
    show(outcome);
    m_exchange.waiter().processPendingMessages();
    if (replyHas(kNoCarrier)) {
        fail(outcome, kNoAnswer);
        return;
    }
    if (replyHas(kConnect)) {
        outcome.state = CallState::Connected;
    } else {
        // A call still being set up is broken off before the user is told it did not come.
        if (!answerDecides(modemArea())) send(QByteArrayLiteral("\r"));
        outcome.messages << kNotConnected;
        m_exchange.waiter().processPendingMessages();
        outcome.state = CallState::Idle;
        outcome.status = Status::NoLink;
    }
    m_exchange.line().SetDTRState(false);
    closeLine();
}

// A stopped dial leaves no call behind: one that came through is hung up, one still being
// set up is broken off by any key, and DTR goes down before the port closes.
void DialUp::giveUpDial(DialOutcome& outcome) {
    if (!m_opened) return;
    outcome.state = CallState::Idle;
    if (m_numberSent) {
        readInto(Exchange::kModemArea);
        if (replyHas(kConnect)) {
            m_exchange.waiter().sleep(kQuietBeforeEscapeMs);
            if (!hangUpSteps(outcome)) outcome.state = CallState::Connected;
        } else {
            send(QByteArrayLiteral("\r"));
        }
    }
    try {
        m_exchange.line().SetDTRState(false);
    } catch (const comm::CommError&) {
        // The port goes whatever DTR does.
    }
    closeLine();
}

DialOutcome DialUp::hangUp() {
    DialOutcome outcome(link::Operation::HangUp);
    outcome.state = CallState::Connected;
    // What follows the first escape must run whole, or the modem is left half way.
    const link::StopShield shield(m_exchange.waiter());
    try {
        comm::SerialLine& line = m_exchange.line();
        line.Close();
        line.Open();
        if (!hangUpSteps(outcome)) {
            outcome.status = Status::NoLink;
            outcome.messages << kNotHungUp;
            return outcome;
        }
        outcome.state = CallState::Idle;
        line.SetDTRState(false);
        closeLine();
    } catch (const comm::CommError& error) {
        // The device is gone, and the call with it.
        closeLine();
        outcome.state = CallState::Idle;
        outcome.status = Status::PortFailed;
        outcome.error = QString::fromStdString(error.what());
    }
    return outcome;
}

// The escape to command mode, the hang-up and the modem's speed back to automatic; true
// when the modem confirmed the hang-up.
bool DialUp::hangUpSteps(DialOutcome& outcome) {
    send(QByteArrayLiteral("+++"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    bool hungUp = false;
    // A modem the far end already left is back in command mode and took "+++" as the start
    // of a line: its "ath" is refused once, and taken the second time.
    for (int attempt = 0; attempt < 2 && !hungUp; ++attempt) {
        send(QByteArrayLiteral("ath\r"));
        pause(kCommandMs);
        readInto(Exchange::kModemArea);
        hungUp = replyHas(kOk);
        show(outcome);
    }
    send(QByteArrayLiteral("at+ipr=0\r\r"));
    m_exchange.waiter().sleep(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    return hungUp;
}

void DialUp::fail(DialOutcome& outcome, const QString& message) {
    closeLine();
    outcome.messages << message;
    outcome.status = Status::NoLink;
    m_exchange.waiter().processPendingMessages();
    outcome.state = CallState::Idle;
}

void DialUp::wakeUp(int area) {
    send(QByteArrayLiteral("\r"));
    m_exchange.waiter().sleep(kWakeUpMs);
    readInto(area);
}

// Each command is built in the send area of a cleared buffer.
void DialUp::send(const QByteArray& bytes) {
    m_exchange.clearBuffer();
    auto buffer = m_exchange.buffer();
    const auto count =
        std::min<qsizetype>(bytes.size(), Exchange::kModemArea - Exchange::kSendArea);
    uint8_t* command = buffer.data() + Exchange::kSendArea;
    std::memcpy(command, bytes.constData(), size_t(count));
    m_exchange.line().Write(command, static_cast<int>(count));
    if (auto* log = m_exchange.trafficLog())
        log->modemText(link::Direction::Sent, std::span<const uint8_t>(command, size_t(count)));
}

int DialUp::readInto(int area, int count) {
    uint8_t* into = m_exchange.buffer().data() + area;
    const int got = std::max(m_exchange.line().Read(into, count), 0);
    if (auto* log = m_exchange.trafficLog(); log && got > 0)
        log->modemText(link::Direction::Received, std::span<const uint8_t>(into, size_t(got)));
    return got;
}

void DialUp::pause(int ms) {
    m_exchange.waiter().processPendingMessages();
    m_exchange.waiter().sleep(ms);
    m_exchange.waiter().processPendingMessages();
}

void DialUp::show(DialOutcome& outcome) const {
    outcome.replies << reply();
}

std::span<const uint8_t> DialUp::modemArea() const {
    return std::span<const uint8_t>(m_exchange.buffer()).subspan(Exchange::kModemArea);
}

QString DialUp::reply() const {
    return answerText(modemArea());
}

bool DialUp::replyHas(const QByteArray& word) const {
    return answerHas(modemArea(), word);
}

void DialUp::closeLine() {
    m_exchange.line().Close();
}

}  // namespace vilt::dialup
