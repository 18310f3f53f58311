#pragma once
// Values from the meter that do not convert, in the words the user knows them by.

#include <QString>

namespace vilt::ops {

inline QString notValidTime(const QString& text) {
    return QStringLiteral("'%1' is not a valid time").arg(text);
}
inline QString notValidDate(const QString& text) {
    return QStringLiteral("'%1' is not a valid date").arg(text);
}
inline QString notValidInteger(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}
inline const QString kBadDateEncode = QStringLiteral("Invalid argument to date encode");
inline const QString kBadTimeEncode = QStringLiteral("Invalid argument to time encode");

}  // namespace vilt::ops
