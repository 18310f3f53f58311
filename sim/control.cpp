#include "sim/control.h"

#include <QList>
#include <array>
#include <utility>

#include "sim/energy_text.h"
#include "sim/request_table.h"
#include "sim/schedule_text.h"

namespace vilt::sim {
namespace {

constexpr qint64 kMaxMs = 3'600'000;
constexpr qint64 kMaxTimes = 1'000'000;

constexpr std::array<std::pair<const char*, FaultKind>, 11> kKinds = {{
    {"none", FaultKind::None},
    {"silent", FaultKind::Silent},
    {"crc", FaultKind::BadCrc},
    {"code", FaultKind::WrongCode},
    {"extra", FaultKind::ExtraByte},
    {"missing", FaultKind::MissingByte},
    {"ack", FaultKind::WrongAck},
    {"otherack", FaultKind::OtherAck},
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

// Fields whose value may hold spaces take the whole rest of the line.
bool takesRestOfLine(QStringView field) {
    return field == u"place" || field == u"clock" || field == u"clockbytes" ||
           field == u"journal" || field == u"limits" || field == u"energy" || field == u"month" ||
           field == u"rmonth" || field == u"profile" || field == u"zones" || field == u"calendar";
}

// States that `get` reads one entry of: energy active, month 12, profile 2010-03-05, zones 3.
bool takesKey(QStringView name) {
    return name == u"energy" || name == u"month" || name == u"rmonth" || name == u"profile" ||
           name == u"zones";
}

std::optional<QString> keyedText(VirtualMeter& meter, QStringView name, QStringView key,
                                 QString& error) {
    if (name == u"zones") {
        return zonesText(meter.state(), key, error);
    }
    return countsText(meter, name, key, error);
}

void applySet(VirtualMeter& meter, const QList<QStringView>& args, QStringView line,
              ControlResult& result) {
    QString& error = result.error;
    const QStringView field = args.value(1);
    if (field == u"latency" && args.size() == 3) {
        result.latencyMs = parseLatency(args[2], error);
        return;
    }
    // "set place" alone empties the place.
    const qsizetype least = field == u"place" ? 2 : 3;
    if (args.size() < least || (!takesRestOfLine(field) && args.size() != 3)) {
        error = QStringLiteral("set wants: set <field> <value>");
        return;
    }
    const QString value = takesRestOfLine(field) ? restAfter(line, 2) : args[2].toString();
    if (setMeterField(meter.state(), field, value, error) && field == u"clock") {
        meter.restartClock();
    }
}

void applyGet(VirtualMeter& meter, const QList<QStringView>& args, ControlResult& result) {
    const QStringView name = args.value(1);
    if (args.size() != (takesKey(name) ? 3 : 2)) {
        result.error = QStringLiteral(
            "get wants: get "
            "<clock|dst|place|password|speed|resets|limits|calibration|serial|out512|calendar>, "
            "get energy active|reactive, get month|rmonth M, get profile YYYY-MM-DD or "
            "get zones N");
        return;
    }
    result.value = args.size() == 3 ? keyedText(meter, name, args[2], result.error)
                                    : meterFieldText(meter, name, result.error);
}

}  // namespace

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
                    "ack otherack delay split password)")
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

std::optional<int> parseLatency(QStringView text, QString& error) {
    const auto ms = parseNumber(text, 0, kMaxLatencyMs);
    if (!ms) {
        error = QStringLiteral("bad latency '%1' (0..%2 ms)").arg(text).arg(kMaxLatencyMs);
        return std::nullopt;
    }
    return static_cast<int>(*ms);
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
        applySet(meter, args, line, result);
    } else if (verb == u"get") {
        applyGet(meter, args, result);
    } else {
        result.error = QStringLiteral("unknown command '%1' (fault, clear, set, get, quit)")
                           .arg(line.trimmed());
    }
    result.ok = result.error.isEmpty();
    return result;
}

}  // namespace vilt::sim
