#include "limits/limits.h"

#include "link/numbers.h"
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

// Digits only, '0' to '9': no signs, blanks, separators or other scripts' digits.
bool plainDigits(QStringView text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

}  // namespace

Limits decodeLimits(std::span<const uint8_t> record) {
    Limits limits;
    limits.flags = record[0];
    limits.power = little(record.subspan(kPowerAt, 2));
    for (size_t t = 0; t < link::kTariffCount; ++t)
        limits.energy[t] = little(record.subspan(kEnergyAt + kEnergyWidth * t, kEnergyWidth));
    limits.aux = record[kAuxAt] & kAuxUsed;
    return limits;
}

LimitRecord encodeLimits(const Limits& limits) {
    LimitRecord record{};
    record[0] = limits.flags;
    putLittle(record, kPowerAt, limits.power, 2);
    for (size_t t = 0; t < link::kTariffCount; ++t)
        putLittle(record, kEnergyAt + kEnergyWidth * t, limits.energy[t], kEnergyWidth);
    record[kAuxAt] = limits.aux & kAuxUsed;
    return record;
}

link::Result<Limits> requestLimits(link::Exchange& exchange) {
    const link::Check check = exchange.run(link::Command::ReadLimits);
    if (check != link::Check::Ok) return {check};
    return {check, decodeLimits(exchange.replyData(kRecordBytes))};
}

link::Check sendLimits(link::Exchange& exchange, const Limits& limits) {
    return exchange.run(link::Command::WriteLimits, encodeLimits(limits));
}

LimitsOutcome readLimits(link::Exchange& exchange) {
    LimitsOutcome outcome;
    outcome.operation = link::Operation::ReadLimits;
    const auto reply =
        link::retried(outcome, link::Command::ReadLimits, [&] { return requestLimits(exchange); });
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
                                 sendLimits(exchange, limits));
}

// Digits, then at most two decimals after the locale's decimal point, read as digits so that
// nothing is rounded. No sign, no exponent, no "nan" or "inf", no thousands separators: a third
// decimal would be lost on the wire, so such a value is refused, never cut.
std::optional<int32_t> hundredths(const QString& text, const QLocale& locale, int32_t largest) {
    const QString typed = text.trimmed();
    const qsizetype point = typed.indexOf(locale.decimalPoint());
    const QStringView whole = QStringView(typed).left(point < 0 ? typed.size() : point);
    const QStringView decimals = point < 0 ? QStringView() : QStringView(typed).mid(point + 1);
    if (!plainDigits(whole) || (point >= 0 && !plainDigits(decimals)) || decimals.size() > 2)
        return std::nullopt;
    const auto units = link::parseNumber(whole.toString(), {0, largest / 100});
    if (!units) return std::nullopt;
    const qint64 cents = decimals.isEmpty()     ? 0
                         : decimals.size() == 1 ? decimals.toString().toLongLong() * 10
                                                : decimals.toString().toLongLong();
    const qint64 result = *units * 100 + cents;
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
