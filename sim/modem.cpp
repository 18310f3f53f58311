#include "sim/modem.h"

#include <algorithm>
#include <array>
#include <utility>

#include "sim/state_text.h"

namespace vilt::sim {
namespace {

constexpr qsizetype kMaxCommandLine = 256;
constexpr qint64 kMaxMs = 600'000;
constexpr int kDefaultConnectSpeed = 9600;
constexpr std::array<int, 11> kSpeeds = {0,    300,   600,   1200,  2400,  4800,
                                         9600, 19200, 38400, 57600, 115200};

constexpr std::array<std::pair<const char*, DialAnswer>, 4> kAnswers = {{
    {"connect", DialAnswer::Connect},
    {"nocarrier", DialAnswer::NoCarrier},
    {"busy", DialAnswer::Busy},
    {"silent", DialAnswer::Silent},
}};

std::optional<int> parseMs(QStringView value) {
    const auto ms = parseNumber(value, 0, kMaxMs);
    return ms ? std::optional<int>(static_cast<int>(*ms)) : std::nullopt;
}

bool knownSpeed(qint64 speed) {
    for (const int known : kSpeeds) {
        if (known == speed) {
            return true;
        }
    }
    return false;
}

QList<QStringView> words(QStringView text) {
    return text.trimmed().split(u' ', Qt::SkipEmptyParts);
}

}  // namespace

bool setModemOption(ModemOptions& options, QStringView name, QStringView value, QString& error) {
    if (name == u"dial") {
        for (const auto& [word, answer] : kAnswers) {
            if (value == QLatin1StringView(word)) {
                options.answer = answer;
                return true;
            }
        }
        error = QStringLiteral("bad dial answer '%1' (connect nocarrier busy silent)").arg(value);
        return false;
    }
    if (name == u"dial-cut" || name == u"ipr-lock") {
        const bool none = value == u"none";
        const auto number = none ? std::optional<qint64>(-1) : parseNumber(value, 0, 1'000'000);
        if (!number || (name == u"ipr-lock" && !none && !knownSpeed(*number))) {
            error = QStringLiteral("bad %1 '%2' (%3 or none)")
                        .arg(name, value,
                             name == u"dial-cut" ? QStringLiteral("a byte count")
                                                 : QStringLiteral("a speed at+ipr= takes"));
            return false;
        }
        (name == u"dial-cut" ? options.cutAt : options.iprLock) = static_cast<int>(*number);
        return true;
    }
    int* target = name == u"dial-delay" ? &options.dialDelayMs
                  : name == u"dial-gap" ? &options.pieceGapMs
                  : name == u"guard"    ? &options.guardMs
                                        : nullptr;
    if (target == nullptr) {
        error = QStringLiteral("unknown modem setting '%1'").arg(name);
        return false;
    }
    const auto ms = parseMs(value);
    if (!ms) {
        error = QStringLiteral("bad %1 '%2' (0..%3 ms)").arg(name, value).arg(kMaxMs);
        return false;
    }
    *target = *ms;
    return true;
}

QString Modem::stateName() const {
    switch (m_state) {
        case State::Command:
            return QStringLiteral("command");
        case State::Dialling:
            return QStringLiteral("dialling");
        case State::Data:
            return QStringLiteral("data");
        case State::ConnectedCommand:
            return QStringLiteral("connected-command");
    }
    return {};
}

void Modem::receive(QByteArrayView bytes, Clock::time_point now, Step& step) {
    for (const char byte : bytes) {
        switch (m_state) {
            case State::Data:
                dataByte(byte, now, step);
                break;
            case State::Dialling:
                // Any key aborts a call still being set up.
                m_state = State::Command;
                result("NO CARRIER", now, step);
                break;
            case State::Command:
            case State::ConnectedCommand:
                commandByte(byte, now, step);
                break;
        }
    }
}

void Modem::tick(Clock::time_point now, Step& step) {
    if (m_state == State::Dialling && now >= m_dialDue) {
        answerDial(now, step);
    }
    if (m_state == State::Data && m_plusHeld > 0 &&
        now - m_plusAt >= std::chrono::milliseconds(m_options.guardMs)) {
        if (m_plusHeld == 3) {
            m_plusHeld = 0;
            m_state = State::ConnectedCommand;
            result("OK", now, step);
        } else {
            flushPluses(step);
        }
    }
}

std::optional<Modem::Clock::time_point> Modem::nextDeadline() const {
    if (m_state == State::Dialling && dialAnswer() != DialAnswer::Silent) {
        return m_dialDue;
    }
    if (m_state == State::Data && m_plusHeld > 0) {
        return m_plusAt + std::chrono::milliseconds(m_options.guardMs);
    }
    return std::nullopt;
}

void Modem::farEndHangUp(Clock::time_point now, Step& step) {
    if (m_state == State::Data || m_state == State::ConnectedCommand) {
        m_plusHeld = 0;
        m_state = State::Command;
        result("NO CARRIER", now, step);
    }
}

void Modem::commandByte(char byte, Clock::time_point now, Step& step) {
    if (byte == '\0') {
        return;  // padding after a command is no command
    }
    if (m_echo) {
        step.toLine.append({QByteArray(1, byte), now});
    }
    if (byte == '\n') {
        return;
    }
    if (byte != '\r') {
        if (m_line.size() < kMaxCommandLine) {
            m_line.append(byte);
        } else {
            m_lineTooLong = true;
        }
        return;
    }
    const QByteArray line = std::exchange(m_line, {});
    if (std::exchange(m_lineTooLong, false)) {
        result("ERROR", now, step);
    } else if (!line.trimmed().isEmpty()) {
        runCommand(line, now, step);
    }
}

void Modem::runCommand(const QByteArray& raw, Clock::time_point now, Step& step) {
    const QByteArray line = raw.toLower();
    if (!line.startsWith("at")) {
        result("ERROR", now, step);
        return;
    }
    // Spaces mean nothing in a command (a dialled number keeps its characters).
    QByteArray command = line.sliced(2);
    command.replace(' ', QByteArray());
    const bool connected = m_state == State::ConnectedCommand;
    if (command.isEmpty()) {
        result("OK", now, step);
    } else if (command == "e0" || command == "e") {
        m_echo = false;
        result("OK", now, step);
    } else if (command == "e1") {
        m_echo = true;
        result("OK", now, step);
    } else if (command == "z") {
        m_echo = true;
        result("OK", now, step);
    } else if (command.startsWith("+ipr=")) {
        const auto speed = parseNumber(QString::fromLatin1(command.sliced(5)), 0, 1'000'000);
        if (speed && knownSpeed(*speed)) {
            m_ipr = static_cast<int>(*speed);
            result("OK", now, step);
        } else {
            result("ERROR", now, step);
        }
    } else if (command == "+ipr?") {
        const int shown = m_options.iprLock >= 0 ? m_options.iprLock : m_ipr;
        result("+IPR: " + QByteArray::number(shown), now, step);
        result("OK", now, step);
    } else if (command == "h" || command == "h0") {
        m_state = State::Command;
        result("OK", now, step);
    } else if ((command == "o" || command == "o0") && connected) {
        m_state = State::Data;
        m_lastData = now;
        result(connectText(), now, step);
    } else if (command.startsWith('d') && !connected) {
        QByteArray number = command.sliced(1);
        if (number.startsWith('t') || number.startsWith('p')) {
            number.remove(0, 1);
        }
        m_dialled = QString::fromLatin1(number);
        m_state = State::Dialling;
        m_dialDue = now + std::chrono::milliseconds(m_options.dialDelayMs);
    } else {
        result("ERROR", now, step);
    }
}

DialAnswer Modem::dialAnswer() const {
    if (!m_options.book.isEmpty() && !m_options.book.contains(m_dialled)) {
        return DialAnswer::NoCarrier;
    }
    return m_options.answer;
}

void Modem::answerDial(Clock::time_point now, Step& step) {
    const DialAnswer answer = dialAnswer();
    QByteArray word;
    switch (answer) {
        case DialAnswer::Silent:
            return;  // rings on for ever; a key from the workstation gives up
        case DialAnswer::Connect:
            word = connectText();
            step.connected = m_dialled;
            m_state = State::Data;
            m_lastData = now;
            m_plusHeld = 0;
            break;
        case DialAnswer::NoCarrier:
            word = "NO CARRIER";
            m_state = State::Command;
            break;
        case DialAnswer::Busy:
            word = "BUSY";
            m_state = State::Command;
            break;
    }
    // Cut where a real modem's answer tends to break: after the leading CR LF, after the
    // first word, before the closing CR LF; and where the knob says.
    const QByteArray text = "\r\n" + word + "\r\n";
    QList<qsizetype> cuts = {2, text.size() - 2};
    const qsizetype space = word.indexOf(' ');
    if (space > 0 && answer == DialAnswer::Connect) {
        cuts.append(2 + space);
    }
    if (m_options.cutAt > 0 && m_options.cutAt < text.size()) {
        cuts.append(m_options.cutAt);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    qsizetype from = 0;
    auto due = now;
    for (const qsizetype cut : cuts) {
        step.toLine.append({text.sliced(from, cut - from), due});
        due += std::chrono::milliseconds(m_options.pieceGapMs);
        from = cut;
    }
    step.toLine.append({text.sliced(from), due});
}

void Modem::dataByte(char byte, Clock::time_point now, Step& step) {
    const auto guard = std::chrono::milliseconds(m_options.guardMs);
    const bool quietBefore = m_plusHeld > 0 || now - m_lastData >= guard;
    if (byte == '+' && quietBefore && m_plusHeld < 3) {
        ++m_plusHeld;
        m_plusAt = now;
        return;
    }
    flushPluses(step);
    step.toMeter.append(byte);
    m_lastData = now;
}

void Modem::flushPluses(Step& step) {
    if (m_plusHeld > 0) {
        step.toMeter.append(QByteArray(m_plusHeld, '+'));
        m_plusHeld = 0;
        m_lastData = m_plusAt;
    }
}

void Modem::result(const QByteArray& text, Clock::time_point now, Step& step) {
    step.toLine.append({"\r\n" + text + "\r\n", now});
}

QByteArray Modem::connectText() const {
    return "CONNECT " + QByteArray::number(m_ipr > 0 ? m_ipr : kDefaultConnectSpeed);
}

std::optional<ModemControlResult> applyModemControl(Modem& modem, QStringView line) {
    static const QStringList kSettings = {"dial",     "dial-delay", "dial-gap",
                                          "dial-cut", "guard",      "ipr-lock"};
    const QList<QStringView> args = words(line);
    const QStringView verb = args.value(0);
    const QStringView name = args.value(1);
    ModemControlResult result;
    if (verb == u"hangup" && args.size() == 1) {
        result.hangUp = true;
    } else if (verb == u"set" && kSettings.contains(name)) {
        if (args.size() != 3) {
            result.error = QStringLiteral("set %1 wants one value").arg(name);
        } else {
            setModemOption(modem.options(), name, args[2], result.error);
        }
    } else if (verb == u"get" && (name == u"dialled" || name == u"modem")) {
        if (args.size() != 2) {
            result.error = QStringLiteral("get %1 takes no key").arg(name);
        } else {
            result.value = name == u"dialled" ? modem.lastDialled() : modem.stateName();
        }
    } else {
        return std::nullopt;
    }
    return result;
}

}  // namespace vilt::sim
