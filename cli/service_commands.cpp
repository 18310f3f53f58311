// The commands of the load limits and of the service page.

#include <QRegularExpression>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/numbers.h"
#include "cli/output.h"
#include "cli/report.h"
#include "limits/limits.h"
#include "service/service.h"

namespace vilt::cli {

namespace {

using limits::Limits;

// kW and kW·h on the command line: digits with an optional decimal point and at most two
// decimals, as the wire carries hundredths; no blanks around them.
std::optional<int32_t> kilo(const QString& text, int32_t largest) {
    if (text != text.trimmed()) return std::nullopt;
    return limits::hundredths(text, QLocale::c(), largest);
}

std::optional<uint8_t> flagByte(const QString& text) {
    static const QRegularExpression kHex(QStringLiteral("^(0x)?[0-9A-Fa-f]{1,2}$"));
    if (!kHex.match(text).hasMatch()) return std::nullopt;
    return static_cast<uint8_t>(text.toUInt(nullptr, 16));
}

QString hexByte(uint8_t byte) {
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// The options of "limits write" laid over what the meter holds; the reason when one is wrong.
std::optional<QString> applyLimitOptions(const QStringList& arguments, Limits* limits) {
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        if (i + 1 >= arguments.size()) return QStringLiteral("option %1 needs a value").arg(name);
        const QString& value = arguments[i + 1];
        const QString bad = QStringLiteral("bad value for %1: '%2'").arg(name, value);
        if (name == "--power") {
            const auto power = kilo(value, limits::kLargestPower);
            if (!power) return bad + QStringLiteral(" (kW from 0 to 655.35, two decimals at most)");
            limits->power = *power;
        } else if (name == "--energy") {
            const QString range =
                QStringLiteral(" (four kW*h values from 0 to 167772.15, two decimals at most)");
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() != link::kTariffCount) return bad + range;
            for (size_t t = 0; t < link::kTariffCount; ++t) {
                const auto energy = kilo(parts[qsizetype(t)], limits::kLargestEnergy);
                if (!energy) return bad + range;
                limits->energy[t] = *energy;
            }
        } else if (name == "--flags" || name == "--aux") {
            const auto byte = flagByte(value);
            if (!byte) return bad;
            (name == "--flags" ? limits->flags : limits->aux) = *byte;
        } else {
            return QStringLiteral("unknown option %1").arg(name);
        }
    }
    return std::nullopt;
}

void printLimits(const Limits& limits, bool json) {
    const QLocale c = QLocale::c();
    QStringList energy;
    for (int32_t value : limits.energy) energy << limits::shown(value, c);
    const QString power = limits::shown(limits.power, c);
    if (json) {
        out(QStringLiteral(R"({"power":%1,"energy":[%2],"flags":"%3","aux":"%4"})")
                .arg(power, energy.join(','), hexByte(limits.flags), hexByte(limits.aux)));
        return;
    }
    out(QStringLiteral("Мощность: %1 кВт").arg(power));
    out(QStringLiteral("Энергия по тарифам: %1 кВт*ч").arg(energy.join(QStringLiteral(", "))));
    out(QStringLiteral("Флаги: %1").arg(hexByte(limits.flags)));
    out(QStringLiteral("Доп. флаги: %1").arg(hexByte(limits.aux)));
}

int limitsRead(MeterLink& link, const QStringList&, const Options& options) {
    const auto read = limits::readLimits(link.exchange());
    if (const int status = report(read)) return status;
    printLimits(read.limits, options.json);
    return kDone;
}

std::optional<QString> checkLimits(const QStringList& arguments) {
    Limits unused;
    return applyLimitOptions(arguments, &unused);
}

// What is not given keeps the meter's value: the limits are read first.
int limitsWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    auto read = limits::readLimits(link.exchange());
    if (const int status = report(read)) return status;
    applyLimitOptions(arguments, &read.limits);
    return report(limits::writeLimits(link.exchange(), read.limits));
}

int calibRead(MeterLink& link, const QStringList&, const Options& options) {
    const auto read = service::readCalibration(link.exchange());
    if (const int status = report(read)) return status;
    const auto& calibration = read.calibration;
    if (options.json) {
        out(QStringLiteral(R"({"calibration":%1})")
                .arg(calibration.minus ? -calibration.value : calibration.value));
    } else {
        out(QStringLiteral("Калибровка: %1%2")
                .arg(calibration.minus ? "-" : "+")
                .arg(calibration.value));
    }
    return kDone;
}

// "+5", "-5" or "5": the sign, then 0 … 31.
std::optional<std::pair<bool, int>> calibrationArgument(const QString& text) {
    const bool minus = text.startsWith('-');
    const QString digits = text.startsWith('-') || text.startsWith('+') ? text.mid(1) : text;
    const auto value = parseNumber(digits, {0, 31});
    if (!value) return std::nullopt;
    return std::pair(minus, static_cast<int>(*value));
}

std::optional<QString> checkCalib(const QStringList& arguments) {
    if (calibrationArgument(arguments[0])) return std::nullopt;
    return QStringLiteral("expected [+|-]N with N from 0 to 31, got '%1'").arg(arguments[0]);
}

int calibWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    const auto [minus, value] = *calibrationArgument(arguments[0]);
    return report(service::writeCalibration(link.exchange(), QString::number(value), minus));
}

std::optional<QString> checkSerial(const QStringList& arguments) {
    if (parseNumber(arguments[0], {0, service::kLargestSerialNumber})) return std::nullopt;
    return QStringLiteral("the meter number must be a whole number from 0 to %1, got '%2'")
        .arg(service::kLargestSerialNumber)
        .arg(arguments[0]);
}

int serialWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    return report(service::writeSerialNumber(link.exchange(), arguments[0]));
}

int out512(MeterLink& link, const QStringList&, const Options&) {
    return report(service::switch512(link.exchange()));
}

}  // namespace

QList<Command> serviceCommands() {
    return {
        {{"limits", "read"}, 0, nullptr, limitsRead},
        {{"limits", "write"}, kAnyArguments, checkLimits, limitsWrite},
        {{"calib", "read"}, 0, nullptr, calibRead},
        {{"calib", "write"}, 1, checkCalib, calibWrite},
        {{"serial", "write"}, 1, checkSerial, serialWrite},
        {{"out512"}, 0, nullptr, out512},
    };
}

}  // namespace vilt::cli
