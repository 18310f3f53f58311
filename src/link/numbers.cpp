#include "link/numbers.h"

namespace vilt::link {

namespace {
constexpr qsizetype kMostDigits = 18;  // fits a qint64 whatever the digits
}

std::optional<qint64> parseNumber(const QString& text, NumberRange range) {
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = negative ? text.mid(1) : text;
    if (negative && range.lowest >= 0) return std::nullopt;
    if (digits.isEmpty() || digits.size() > kMostDigits) return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (negative) {
        if (value == 0) return std::nullopt;
        value = -value;
    }
    if (value < range.lowest || value > range.highest) return std::nullopt;
    return value;
}

}  // namespace vilt::link
