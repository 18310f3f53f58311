#include "control.h"

#include <QList>
#include <QStringEncoder>
#include <array>
#include <utility>

#include "request_table.h"

namespace vilt::sim {
namespace {

constexpr qint64 kMaxFactory = 0xFFFFFF;
constexpr qint64 kMaxWord = 0xFFFF;
constexpr qint64 kMaxMs = 3'600'000;
constexpr qint64 kMaxTimes = 1'000'000;
constexpr qsizetype kPlaceLength = 16;

constexpr std::array<std::pair<const char*, FaultKind>, 10> kKinds = {{
    {"none", FaultKind::None},
    {"silent", FaultKind::Silent},
    {"crc", FaultKind::BadCrc},
    {"code", FaultKind::WrongCode},
    {"extra", FaultKind::ExtraByte},
    {"missing", FaultKind::MissingByte},
    {"ack", FaultKind::WrongAck},
    {"delay", FaultKind::Delay},
    {"split", FaultKind::Split},
    {"password", FaultKind::PasswordRefused},
}};

std::optional<FaultKind> parseKind(QStringView word) {
    for (const auto& [name, kind] : kKinds) {
        if (word == QLatin1StringView(name)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<int> parseCode(QStringView word) {
    if (word == u"all") {
        return kAllCommands;
    }
    QStringView digits = word;
    if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        digits = digits.mid(2);
    }
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.isEmpty() || value > 0xFF) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool knownCode(int code) {
    return code == kLocalIdentityCode || requestLength(static_cast<uint8_t>(code)) != 0;
}

QList<QStringView> words(QStringView text) {
    QList<QStringView> out;
    for (QStringView word : text.split(u' ', Qt::SkipEmptyParts)) {
        out.append(word.trimmed());
    }
    return out;
}

// What follows the first `skip` words, as written (spaces inside kept).
QString restAfter(QStringView line, int skip) {
    QStringView rest = line.trimmed();
    for (int i = 0; i < skip; ++i) {
        const qsizetype space = rest.indexOf(u' ');
        rest = space < 0 ? QStringView{} : rest.mid(space + 1).trimmed();
    }
    return rest.toString();
}

std::optional<QString> checkTiming(FaultSetting& setting, const QList<QStringView>& args) {
    const FaultKind kind = setting.fault.kind;
    if (args.size() > 2) {
        const auto ms = parseNumber(args[2], 0, kMaxMs);
        if (!ms) {
            return QStringLiteral("bad ms '%1' (0..%2)").arg(args[2]).arg(kMaxMs);
        }
        if (*ms != 0 && kind != FaultKind::Delay && kind != FaultKind::Split) {
            return QStringLiteral("'%1' takes no ms; to limit how often, give ms 0 then times")
                .arg(args[1]);
        }
        setting.fault.ms = static_cast<int>(*ms);
    }
    if (args.size() > 3) {
        const auto times = parseNumber(args[3], -1, kMaxTimes);
        if (!times || *times == 0) {
            return QStringLiteral("bad times '%1' (a count from 1, or -1 for until cleared)")
                .arg(args[3]);
        }
        setting.fault.times = static_cast<int>(*times);
    }
    return std::nullopt;
}

void applySet(MeterState& state, const QList<QStringView>& args, QStringView line, QString& error) {
    if (args.value(1) == u"place") {
        // The place may hold spaces: it is the whole rest of the line.
        setMeterField(state, args[1], restAfter(line, 2), error);
    } else if (args.size() != 3) {
        error = QStringLiteral("set wants: set <field> <value>");
    } else {
        setMeterField(state, args[1], args[2].toString(), error);
    }
}

}  // namespace

std::optional<qint64> parseNumber(QStringView text, qint64 min, qint64 max) {
    bool ok = false;
    qint64 value = 0;
    if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        value = text.mid(2).toLongLong(&ok, 16);
        ok = ok && text.size() > 2 && text[2] != u'-' && text[2] != u'+';
    } else {
        value = text.toLongLong(&ok, 10);
    }
    if (!ok || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<FaultSetting> parseFault(QStringView text, QString& error) {
    const QList<QStringView> args = words(text);
    if (args.size() < 2 || args.size() > 4) {
        error = QStringLiteral("fault wants: <code|all> <kind> [ms] [times]");
        return std::nullopt;
    }
    const auto code = parseCode(args[0]);
    if (!code || (*code != kAllCommands && !knownCode(*code))) {
        error = QStringLiteral("unknown command code '%1' (hex, e.g. 25, or all)").arg(args[0]);
        return std::nullopt;
    }
    const auto kind = parseKind(args[1]);
    if (!kind) {
        error = QStringLiteral(
                    "unknown fault kind '%1' (none silent crc code extra missing "
                    "ack delay split password)")
                    .arg(args[1]);
        return std::nullopt;
    }
    FaultSetting setting{*code, Fault{*kind}};
    if (auto timingError = checkTiming(setting, args)) {
        error = *timingError;
        return std::nullopt;
    }
    return setting;
}

std::optional<QByteArray> encodePlace(const QString& text, QString& error) {
    QStringEncoder encoder("Windows-1251", QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        error = QStringLiteral("this Qt cannot encode Windows-1251");
        return std::nullopt;
    }
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        error = QStringLiteral("place '%1' has characters Windows-1251 cannot hold").arg(text);
        return std::nullopt;
    }
    if (bytes.size() > kPlaceLength) {
        error = QStringLiteral("place '%1' is %2 bytes in Windows-1251, at most %3 fit")
                    .arg(text)
                    .arg(bytes.size())
                    .arg(kPlaceLength);
        return std::nullopt;
    }
    return bytes;
}

bool setMeterField(MeterState& state, QStringView name, const QString& value, QString& error) {
    if (name == u"place") {
        const auto place = encodePlace(value, error);
        if (place) {
            state.place = *place;
        }
        return place.has_value();
    }
    const bool isPassword = name == u"password";
    const bool isWord = name == u"model" || name == u"version";
    if (!isPassword && !isWord && name != u"factory") {
        error =
            QStringLiteral("unknown field '%1' (factory model version place password)").arg(name);
        return false;
    }
    // A password is a 32-bit pattern: accept it signed or unsigned.
    const qint64 min = isPassword ? INT32_MIN : 0;
    const qint64 max = isPassword ? qint64{UINT32_MAX} : isWord ? kMaxWord : kMaxFactory;
    const auto number = parseNumber(value, min, max);
    if (!number) {
        error = QStringLiteral("bad %1 '%2' (%3..%4)").arg(name, value).arg(min).arg(max);
        return false;
    }
    if (isPassword) {
        state.password = static_cast<int32_t>(static_cast<uint32_t>(*number));
    } else if (name == u"factory") {
        state.factory = static_cast<uint32_t>(*number);
    } else {
        (name == u"model" ? state.model : state.version) = static_cast<uint16_t>(*number);
    }
    return true;
}

ControlResult applyControlLine(VirtualMeter& meter, QStringView line) {
    const QList<QStringView> args = words(line);
    const QStringView verb = args.value(0);
    ControlResult result;
    if (verb == u"quit" && args.size() == 1) {
        result.quit = true;
    } else if (verb == u"clear" && args.size() == 1) {
        meter.clearFaults();
    } else if (verb == u"fault") {
        const auto setting = parseFault(restAfter(line, 1), result.error);
        if (setting) {
            meter.setFault(setting->code, setting->fault);
        }
    } else if (verb == u"set") {
        applySet(meter.state(), args, line, result.error);
    } else {
        result.error =
            QStringLiteral("unknown command '%1' (fault, clear, set, quit)").arg(line.trimmed());
    }
    result.ok = result.error.isEmpty();
    return result;
}

}  // namespace vilt::sim
