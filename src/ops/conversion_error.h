#pragma once

#include <QString>
#include <stdexcept>

namespace vilt::ops {

// A value from the meter or the user that does not convert; the text is shown as it is.
class ConversionError : public std::runtime_error {
  public:
    explicit ConversionError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

inline QString notValidTime(const QString& text) {
    return QStringLiteral("'%1' is not a valid time").arg(text);
}
inline QString notValidDate(const QString& text) {
    return QStringLiteral("'%1' is not a valid date").arg(text);
}
inline const QString kBadDateEncode = QStringLiteral("Invalid argument to date encode");
inline const QString kBadTimeEncode = QStringLiteral("Invalid argument to time encode");

}  // namespace vilt::ops
