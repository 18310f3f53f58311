#pragma once
// Dates and times as the workstation's regional settings write them.

#include <QDate>
#include <QLocale>
#include <QTime>

namespace vilt::app {

// The long time format, without a time-zone name.
inline QString timeText(const QTime& time) {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale().toString(time, format.trimmed());
}

inline QString dateText(const QDate& date) {
    return QLocale().toString(date, QLocale::ShortFormat);
}

}  // namespace vilt::app
