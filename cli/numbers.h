#pragma once
// The ranges of the command line's numeric arguments, read by the parser the window uses.

#include <cstdint>
#include <limits>

#include "link/numbers.h"

namespace vilt::cli {

using link::NumberRange;
using link::parseNumber;

inline constexpr NumberRange kPasswordRange{std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max()};
inline constexpr NumberRange kFactoryRange{0, 16777215};
inline constexpr NumberRange kTimeOutRange{0, 999999};  // as the window's field allows
inline constexpr NumberRange kSpeedRange{1200, 9600};

}  // namespace vilt::cli
