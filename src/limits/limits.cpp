#include "limits/limits.h"

#include "link/retry.h"

namespace vilt::limits {

namespace {

int32_t little(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size(); ++i) value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return static_cast<int32_t>(value);
}

void putLittle(LimitRecord& record, size_t at, int32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i)
        record[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

constexpr size_t kPowerAt = 1;
constexpr size_t kEnergyAt = 3;
constexpr size_t kEnergyWidth = 3;
constexpr size_t kAuxAt = 15;

// Digits after the locale's decimal point, as typed.
qsizetype decimals(const QString& text, const QLocale& locale) {
    const qsizetype point = text.indexOf(locale.decimalPoint());
    if (point < 0) return 0;
    qsizetype count = 0;
    while (point + 1 + count < text.size() && text[point + 1 + count].isDigit()) ++count;
    return count;
}

}  // namespace

Limits decodeLimits(std::span<const uint8_t> record) {
    Limits limits;
    limits.flags = record[0];
    limits.power = little(record.subspan(kPowerAt, 2));
    for (size_t t = 0; t < kTariffs; ++t)
        limits.energy[t] = little(record.subspan(kEnergyAt + kEnergyWidth * t, kEnergyWidth));
    limits.aux = record[kAuxAt] & kAuxUsed;
    return limits;
}

LimitRecord encodeLimits(const Limits& limits) {
    LimitRecord record{};
    record[0] = limits.flags;
    putLittle(record, kPowerAt, limits.power, 2);
    for (size_t t = 0; t < kTariffs; ++t)
        putLittle(record, kEnergyAt + kEnergyWidth * t, limits.energy[t], kEnergyWidth);
    record[kAuxAt] = limits.aux & kAuxUsed;
    return record;
}

link::Result<Limits> Limit_rd(link::Exchange& exchange) {
    const link::Check check = exchange.run(link::Command::ReadLimits);
    if (check != link::Check::Ok) return {check};
    return {check, decodeLimits(exchange.replyData(kRecordBytes))};
}

link::Check Limit_wr(link::Exchange& exchange, const Limits& limits) {
    return exchange.run(link::Command::WriteLimits, encodeLimits(limits));
}

LimitsOutcome readLimits(link::Exchange& exchange) {
    LimitsOutcome outcome;
    outcome.operation = link::Operation::ReadLimits;
    const auto reply =
        link::retried(outcome, link::Command::ReadLimits, [&] { return Limit_rd(exchange); });
    if (reply.ok()) {
        outcome.limits = reply.value;
    } else {
        outcome.status = link::Status::NoLink;
        outcome.messages << kNotRead;
    }
    return outcome;
}

link::Outcome writeLimits(link::Exchange& exchange, const Limits& limits) {
    return link::Outcome::single(link::Operation::WriteLimits, link::Command::WriteLimits,
                                 Limit_wr(exchange, limits));
}

// Through a fixed-point text, so that a number with two decimals converts exactly. A third
// decimal would be lost on the wire: such a value is refused, never cut.
std::optional<int32_t> hundredths(const QString& text, const QLocale& locale, int32_t largest) {
    const QString typed = text.trimmed();
    bool isNumber = false;
    const double value = locale.toDouble(typed, &isNumber);
    if (!isNumber || value < 0 || value > static_cast<double>(largest) / 100 + 1 ||
        decimals(typed, locale) > 2)
        return std::nullopt;
    const QString fixed = QString::number(value, 'f', 9);
    const qsizetype point = fixed.indexOf(QLatin1Char('.'));
    const QStringView beyond = QStringView(fixed).mid(point + 3);  // an exponent's decimals
    if (beyond.count(QLatin1Char('0')) != beyond.size()) return std::nullopt;
    const qint64 whole = fixed.left(point).toLongLong();
    const qint64 cents = fixed.mid(point + 1, 2).toLongLong();
    const qint64 result = whole * 100 + cents;
    if (result > largest) return std::nullopt;
    return static_cast<int32_t>(result);
}

QString shown(int32_t hundredths, const QLocale& locale) {
    if (hundredths == 0) return QStringLiteral("0");
    QLocale plain = locale;  // the general format groups no thousands
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(hundredths * 0.01, 'g', 15);
}

}  // namespace vilt::limits
