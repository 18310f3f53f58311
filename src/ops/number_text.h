#pragma once
// The general number format every energy value is shown in: plain decimal notation without
// trailing zeros, the workstation's decimal separator, an ASCII minus sign.

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace vilt::ops {

// A count in hundredths, exactly: 12345 → 123.45, 12340 → 123.4, 0 → 0, -1 → -0.01.
QString hundredthsText(int64_t hundredths, const QLocale& locale = QLocale());
// A value as the archive holds it, with a decimal point: exact to the hundredth as this program
// stores it (123.45); a value another program wrote with more decimals keeps them. None for a
// column never written (or holding no finite number).
std::optional<QString> storedText(const std::optional<double>& value);
// A value with at most `digits` significant digits: 1.5, 327.67, 0.
QString generalText(double value, int digits, const QLocale& locale = QLocale());

}  // namespace vilt::ops
