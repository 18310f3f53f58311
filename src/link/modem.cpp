#include "link/modem.h"

#include <algorithm>
#include <cstring>

#include "link/waiter.h"

namespace vilt::link {

namespace {

constexpr int kReadBytes = 80;
constexpr int kSearchedPositions = 80;
constexpr int kWakeUpMs = 300;
constexpr int kCommandMs = 500;
constexpr int kAnswerPollMs = 10;
constexpr int kAnswerProgress = 21;

const QByteArray kOk = QByteArrayLiteral("OK");
const QByteArray k9600 = QByteArrayLiteral("9600");
const QByteArray kConnect = QByteArrayLiteral("CONNECT");
const QByteArray kNoCarrier = QByteArrayLiteral("NO CARR");

}  // namespace

ModemOutcome Modem::dial(const QString& number) {
    ModemOutcome outcome;
    m_exchange.setTimeOut(kDialTimeOut);
    if (number == kNumberPlaceholder) {
        outcome.messages << kForgotNumber;
        return outcome;
    }
    // A number the send area cannot take is refused before anything is sent.
    if (number.size() > kLongestNumber) {
        outcome.messages << kNotADigit;
        return outcome;
    }
    if (!prepare(outcome) || !checkSpeed(outcome) || !sendNumber(number, outcome)) return outcome;
    awaitAnswer();
    show(outcome);
    m_exchange.waiter().processPendingMessages();
    if (replyHas(kNoCarrier)) {
        fail(outcome, kNoAnswer);
        return outcome;
    }
    if (replyHas(kConnect)) {
        outcome.state = ModemState::Connected;
    } else {
        outcome.messages << kNotConnected;
        m_exchange.waiter().processPendingMessages();
        outcome.state = ModemState::Idle;
    }
    m_port.SetDTRState(false);
    m_port.Close();
    return outcome;
}

// The port at 9600, DTR up, the modem woken and its echo turned off.
bool Modem::prepare(ModemOutcome& outcome) {
    m_port.SetBaudRate(comm::BaudRate::br9600);
    outcome.portSet = true;
    m_port.Open();
    if (!m_port.Enabled()) {
        outcome.messages << kForgotPort;
        return false;
    }
    outcome.state = ModemState::Dialling;
    if (onDialling) onDialling();
    m_exchange.waiter().processPendingMessages();
    m_port.SetDTRState(true);
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
bool Modem::checkSpeed(ModemOutcome& outcome) {
    send(QByteArrayLiteral("at+ipr=9600\r"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    if (!replyHas(kOk)) {
        outcome.caption = kDialCaptionAfterSpeed;
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
bool Modem::sendNumber(const QString& number, ModemOutcome& outcome) {
    wakeUp(Exchange::kReceiveArea);
    QByteArray command = QByteArrayLiteral("atd");
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            fail(outcome, kNotADigit);
            return false;
        }
        command.append(static_cast<char>(c.unicode()));
    }
    send(command + '\r');
    return true;
}

// The first read that brings anything decides; at most kAnswerReads reads.
void Modem::awaitAnswer() {
    for (int attempt = 1; attempt <= kAnswerReads; ++attempt) {
        const int got = readInto(Exchange::kModemArea);
        m_exchange.reportProgress(kAnswerProgress, std::min(attempt, kAnswerProgress));
        m_exchange.waiter().processPendingMessages();
        if (got != 0) break;
        m_exchange.waiter().sleep(kAnswerPollMs);
    }
    m_exchange.reportProgress(kAnswerProgress, 0);
}

ModemOutcome Modem::hangUp() {
    ModemOutcome outcome;
    outcome.state = ModemState::Connected;
    m_port.Close();
    m_port.Open();
    send(QByteArrayLiteral("+++"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    send(QByteArrayLiteral("ath\r"));
    pause(kCommandMs);
    readInto(Exchange::kModemArea);
    const bool hungUp = replyHas(kOk);
    show(outcome);
    send(QByteArrayLiteral("at+ipr=0\r\r"));
    m_exchange.waiter().sleep(kCommandMs);
    readInto(Exchange::kModemArea);
    show(outcome);
    if (!hungUp) {
        outcome.messages << kNotHungUp;
        return outcome;
    }
    outcome.state = ModemState::Idle;
    m_port.SetDTRState(false);
    m_port.Close();
    return outcome;
}

void Modem::fail(ModemOutcome& outcome, const QString& message) {
    m_port.Close();
    outcome.messages << message;
    m_exchange.waiter().processPendingMessages();
    outcome.state = ModemState::Idle;
}

void Modem::wakeUp(int area) {
    send(QByteArrayLiteral("\r"));
    m_exchange.waiter().sleep(kWakeUpMs);
    readInto(area);
}

// Each command is built in the send area of a cleared buffer.
void Modem::send(const QByteArray& bytes) {
    m_exchange.ClrBuf();
    auto buffer = m_exchange.buffer();
    const auto count =
        std::min<qsizetype>(bytes.size(), Exchange::kModemArea - Exchange::kSendArea);
    std::memcpy(buffer.data() + Exchange::kSendArea, bytes.constData(), size_t(count));
    m_port.Write(buffer.data() + Exchange::kSendArea, static_cast<int>(count));
}

int Modem::readInto(int area) {
    return std::max(m_port.Read(m_exchange.buffer().data() + area, kReadBytes), 0);
}

void Modem::pause(int ms) {
    m_exchange.waiter().processPendingMessages();
    m_exchange.waiter().sleep(ms);
    m_exchange.waiter().processPendingMessages();
}

void Modem::show(ModemOutcome& outcome) const {
    outcome.replies << reply();
}

// The modem area as text, up to its first zero byte.
QString Modem::reply() const {
    const auto area = m_exchange.buffer().subspan(Exchange::kModemArea);
    const auto end = std::find(area.begin(), area.end(), uint8_t{0});
    return QString::fromLatin1(reinterpret_cast<const char*>(area.data()),
                               static_cast<qsizetype>(end - area.begin()));
}

bool Modem::replyHas(const QByteArray& word) const {
    const auto area = m_exchange.buffer().subspan(Exchange::kModemArea);
    for (int i = 0; i < kSearchedPositions; ++i) {
        if (size_t(i) + size_t(word.size()) > area.size()) break;
        if (std::memcmp(area.data() + i, word.constData(), size_t(word.size())) == 0) return true;
    }
    return false;
}

}  // namespace vilt::link
