#pragma once
// The meter's dial-up modem as the workstation sees it on its serial port: AT commands in
// command mode, a dialled call that connects (or not), data passed through to the meter once
// connected, and the "+++" escape back to command mode. Pure logic: the caller passes the
// time in and moves the bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <chrono>
#include <optional>

namespace vilt::sim {

enum class DialAnswer { Connect, NoCarrier, Busy, Silent };

struct ModemOptions {
    DialAnswer answer = DialAnswer::Connect;
    int dialDelayMs = 300;  // from the dial command's CR to the first piece of the answer
    int pieceGapMs = 20;    // between the pieces of the answer to a dial
    int cutAt = -1;         // an extra cut of the dial answer after this many bytes; -1: none
    int guardMs = 1000;     // the quiet time before and after "+++"
    int iprLock = -1;       // the speed at+ipr? reports whatever at+ipr= set; -1: follows it
    // The numbers a call reaches (lower case); a number not among them answers NO CARRIER.
    // Empty: every number is reached.
    QStringList book;
};

// One modem setting by name (dial, dial-delay, dial-gap, dial-cut, guard, ipr-lock) from its
// text; false with `error` set when the name or the value is bad.
bool setModemOption(ModemOptions& options, QStringView name, QStringView value, QString& error);

class Modem {
  public:
    using Clock = std::chrono::steady_clock;

    enum class State { Command, Dialling, Data, ConnectedCommand };

    struct Output {
        QByteArray bytes;
        Clock::time_point due;
    };
    // What one call produced: bytes for the meter, bytes for the workstation's line.
    struct Step {
        QByteArray toMeter;
        QList<Output> toLine;
        std::optional<QString> connected;  // a call connected to this number
    };

    explicit Modem(ModemOptions options = {}) : m_options(options) {}

    // Bytes from the workstation.
    void receive(QByteArrayView bytes, Clock::time_point now, Step& step);
    // Runs what has fallen due (the dial answer, the escape guard).
    void tick(Clock::time_point now, Step& step);
    // The next moment tick() has something to do; nullopt: nothing until bytes arrive.
    std::optional<Clock::time_point> nextDeadline() const;
    // The far end drops the call: NO CARRIER, back to command mode.
    void farEndHangUp(Clock::time_point now, Step& step);

    State state() const { return m_state; }
    QString stateName() const;
    QString lastDialled() const { return m_dialled; }
    ModemOptions& options() { return m_options; }

  private:
    void commandByte(char byte, Clock::time_point now, Step& step);
    void dataByte(char byte, Clock::time_point now, Step& step);
    void runCommand(const QByteArray& line, Clock::time_point now, Step& step);
    void answerDial(Clock::time_point now, Step& step);
    // How the dialled number answers: as the options say, or NO CARRIER off the book.
    DialAnswer dialAnswer() const;
    void flushPluses(Step& step);
    void result(const QByteArray& text, Clock::time_point now, Step& step);
    QByteArray connectText() const;

    ModemOptions m_options;
    State m_state = State::Command;
    bool m_echo = true;
    int m_ipr = 0;  // 0: automatic
    QByteArray m_line;
    bool m_lineTooLong = false;
    QString m_dialled;
    Clock::time_point m_dialDue{};
    Clock::time_point m_lastData{};  // last byte from the workstation in data mode
    int m_plusHeld = 0;              // "+" held back as a possible escape
    Clock::time_point m_plusAt{};
};

// Control lines of the modem: set dial|dial-delay|dial-gap|dial-cut|guard|ipr-lock VALUE,
// get dialled|modem, hangup. nullopt when the line is none of these (it is the meter's).
struct ModemControlResult {
    QString error;  // empty: OK
    std::optional<QString> value;
    bool hangUp = false;
};
std::optional<ModemControlResult> applyModemControl(Modem& modem, QStringView line);

}  // namespace vilt::sim
