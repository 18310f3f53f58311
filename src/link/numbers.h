#pragma once
// The one parser of whole numbers typed by a user, for the window and the command line alike:
// decimal digits, a minus sign only where negative values mean something; no blanks, no plus
// sign, no minus zero, nothing after the digits. A number out of range is refused, never cut.

#include <QString>
#include <optional>

namespace vilt::link {

struct NumberRange {
    qint64 lowest;
    qint64 highest;
};

std::optional<qint64> parseNumber(const QString& text, NumberRange range);

}  // namespace vilt::link
