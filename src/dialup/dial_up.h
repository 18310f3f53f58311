#pragma once
// Dialling a meter's modem and hanging up. The modem is driven with plain-text AT commands
// built in the send area of the exchange buffer; its answers are read into the modem area
// and searched for fixed words at any of their first 80 positions. Every word to and from
// the modem goes to the traffic log as text.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>

#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::dialup {

enum class CallState { Idle, Dialling, Connected };

inline const QString kForgotNumber =
    QStringLiteral("Вы забыли ввести номер телефона \r\n                Повторите ввод !");
inline const QString kForgotPort =
    QStringLiteral("Вы забыли выбрать порт\r\n         Срочно выбери!");
inline const QString kNoModemAnswer = QStringLiteral("нет ответа от модема");
inline const QString kWrongModemSpeed = QStringLiteral("не правильная скорость");
inline const QString kNotADigit = QStringLiteral("   Введите число\r\n Повторите ввод !");
inline const QString kNoAnswer = QStringLiteral("Абонент не отвечает!");
inline const QString kNotConnected = QStringLiteral("Соединение Не Установлено !");
inline const QString kNotHungUp = QStringLiteral(
    "ВНИМАНИЕ! соединение не разорвано!\n\rПопытайтесь снова нажать кнопку 'Разорвать "
    "связь'\n\rили выключите питание модема!");

// How a dial or a hang-up ended: the call's state, the boxes to show, and the modem's own
// answers in the order the status bar shows them. Status Done: the call is up (dial) or
// ended (hang-up); Refused: a number or port refused before any dialling; NoLink: the modem
// or the far end did not play along; Stopped: the user stopped the dial; PortFailed: the
// device went away.
struct DialOutcome : link::Outcome {
    explicit DialOutcome(link::Operation what = link::Operation::Dial) : link::Outcome(what) {}

    CallState state = CallState::Idle;
    QStringList replies;
    bool speedRefused = false;  // the modem did not take 9600
    bool portSet = false;       // the line went to 9600: a session through the call runs at it

    static DialOutcome refused(const QString& reason) {
        DialOutcome outcome;
        outcome.status = link::Status::Refused;
        outcome.messages << reason;
        return outcome;
    }
};

class DialUp {
  public:
    // The longest number the send area takes after "atd" and before the CR.
    static constexpr int kLongestNumber =
        link::Exchange::kModemArea - link::Exchange::kSendArea - 4;
    static constexpr int kAnswerReads = 299;
    static constexpr int kReadBytes = 80;  // what one read of the modem's answer takes
    // The modem takes "+++" only after a second without traffic.
    static constexpr int kQuietBeforeEscapeMs = 1000;

    explicit DialUp(link::Exchange& exchange) : m_exchange(exchange) {}

    // Dials number (none: the user has not typed one) on the line, which must be closed and
    // named. The line is closed again when it ends; a session opens it itself. onDialling
    // runs as the dialling begins, so the window shows it before the waits.
    DialOutcome dial(const std::optional<QString>& number,
                     const std::function<void()>& onDialling = {});
    // A modem that does not confirm the hang-up leaves the call and the line as they were.
    DialOutcome hangUp();

  private:
    void dialSteps(const QString& number, DialOutcome& outcome,
                   const std::function<void()>& onDialling);
    bool prepare(DialOutcome& outcome, const std::function<void()>& onDialling);
    bool checkSpeed(DialOutcome& outcome);
    bool sendNumber(const QString& number, DialOutcome& outcome);
    void awaitAnswer();
    void takeAnswer(DialOutcome& outcome);
    void giveUpDial(DialOutcome& outcome);
    bool hangUpSteps(DialOutcome& outcome);
    void fail(DialOutcome& outcome, const QString& message);
    void wakeUp(int area);
    void send(const QByteArray& bytes);
    int readInto(int area, int count = kReadBytes);
    void pause(int ms);
    void show(DialOutcome& outcome) const;
    std::span<const uint8_t> modemArea() const;
    QString reply() const;
    bool replyHas(const QByteArray& word) const;
    void closeLine();

    link::Exchange& m_exchange;
    bool m_opened = false;      // this dial opened the line
    bool m_numberSent = false;  // the modem may be calling
};

}  // namespace vilt::dialup
