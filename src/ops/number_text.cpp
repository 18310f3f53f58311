#include "ops/number_text.h"

#include <cmath>

namespace vilt::ops {

namespace {

// Beyond this a value is not taken for a count of hundredths (a double is exact to 2^53).
constexpr double kLargestHundredths = 9e15;
// How far from a whole number of hundredths a stored value may be and still be one: the
// store writes six decimals, far finer than this.
constexpr double kHundredthsSlack = 1e-6;

// "123.450" → "123.45", "120.000" → "120"; the point becomes the locale's separator.
QString trimmed(QString text, const QLocale& locale) {
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

}  // namespace

QString hundredthsText(int64_t hundredths, const QLocale& locale) {
    const bool negative = hundredths < 0;
    // The magnitude in unsigned arithmetic: the most negative count has no positive twin.
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
    const QString text = QStringLiteral("%1%2.%3")
                             .arg(negative ? QStringLiteral("-") : QString())
                             .arg(magnitude / 100)
                             .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return trimmed(text, locale);
}

std::optional<QString> storedText(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value)) return std::nullopt;
    const double scaled = *value * 100;
    if (std::fabs(scaled) < kLargestHundredths) {
        const double whole = std::round(scaled);
        if (std::fabs(scaled - whole) <= kHundredthsSlack)
            return hundredthsText(static_cast<int64_t>(whole), QLocale::c());
    }
    // The shortest text that reads back as the same double, in fixed notation.
    return QString::number(*value, 'f', QLocale::FloatingPointShortest);
}

QString generalText(double value, int digits, const QLocale& locale) {
    if (!std::isfinite(value)) return QString::number(value);
    // Fixed notation with enough decimals for `digits` significant ones, then rounded there.
    const int integerDigits =
        value == 0 ? 1 : static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    const int decimals = std::max(0, digits - integerDigits);
    QString text = QString::number(value, 'f', decimals);
    return trimmed(text, locale);
}

}  // namespace vilt::ops
