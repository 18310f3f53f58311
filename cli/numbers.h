#pragma once
// The one parser of numeric arguments: decimal digits, a minus sign only where negative
// values mean something; no blanks, no plus sign, no minus zero, nothing after the digits.

#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

namespace vilt::cli {

struct NumberRange {
    qint64 lowest;
    qint64 highest;
};

inline constexpr NumberRange kPasswordRange{std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max()};
inline constexpr NumberRange kFactoryRange{0, 16777215};
inline constexpr NumberRange kTimeOutRange{0, 999999};  // as the window's field allows
inline constexpr NumberRange kSpeedRange{1200, 9600};

std::optional<qint64> parseNumber(const QString& text, NumberRange range);

}  // namespace vilt::cli
