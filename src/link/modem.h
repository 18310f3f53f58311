#pragma once
// Dialling a meter's modem and hanging up. The modem is driven with plain-text AT commands
// built in the send area of the exchange buffer; its answers are read into the modem area
// and searched for fixed words at any of their first 80 positions.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "comm/tcomm.h"
#include "link/exchange.h"

namespace vilt::link {

enum class ModemState { Idle, Dialling, Connected };

inline const QString kNumberPlaceholder = QStringLiteral("Номер телефона");
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
inline const QString kDialCaption = QStringLiteral("Установить связь");
// The caption the dial button is left with after the modem refused its speed.
inline const QString kDialCaptionAfterSpeed = QStringLiteral("Установит связь");
inline const QString kDiallingCaption = QStringLiteral("Звоню...");

// How a dial or a hang-up ended: the link state, the boxes shown, and the modem's own
// answers in the order the status bar showed them.
struct ModemOutcome {
    ModemState state = ModemState::Idle;
    QStringList messages;
    QStringList replies;
    QString caption = kDialCaption;  // of the dial button, in the idle state
    bool portSet = false;            // the speed went to 9600 (the speed list shows it)
};

class Modem {
  public:
    // The longest number the send area takes after "atd" and before the CR.
    static constexpr int kLongestNumber = Exchange::kModemArea - Exchange::kSendArea - 4;
    static constexpr int kAnswerReads = 299;
    static constexpr int kDialTimeOut = 1000;

    Modem(comm::TComm& port, Exchange& exchange) : m_port(port), m_exchange(exchange) {}

    // Button1Click. The port is closed again when it ends; the session opens it itself.
    ModemOutcome dial(const QString& number);
    // Button2Click. A modem that does not confirm the hang-up leaves the call and the port
    // as they were.
    ModemOutcome hangUp();

    // Called as the dialling begins, so the window shows it before the waits.
    std::function<void()> onDialling;

  private:
    bool prepare(ModemOutcome& outcome);
    bool checkSpeed(ModemOutcome& outcome);
    bool sendNumber(const QString& number, ModemOutcome& outcome);
    void awaitAnswer();
    void fail(ModemOutcome& outcome, const QString& message);
    void wakeUp(int area);
    void send(const QByteArray& bytes);
    int readInto(int area);
    void pause(int ms);
    void show(ModemOutcome& outcome) const;
    QString reply() const;
    bool replyHas(const QByteArray& word) const;

    comm::TComm& m_port;
    Exchange& m_exchange;
};

}  // namespace vilt::link
