#pragma once
// Dates and times as the window shows them: numbers in the Russian order, whatever the
// workstation's locale (a Russian window must not say "10 Dec 2026").

#include <QDate>
#include <QStringList>
#include <QTime>

namespace vilt::app {

inline const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
inline const QString kTimeFormat = QStringLiteral("H:mm:ss");

inline QString timeText(const QTime& time) {
    return time.toString(kTimeFormat);
}

inline QString dateText(const QDate& date) {
    return date.toString(kDateFormat);
}

// "Январь" … "Декабрь".
inline const QStringList& monthNames() {
    static const QStringList kNames = {"Январь",   "Февраль", "Март",   "Апрель",
                                       "Май",      "Июнь",    "Июль",   "Август",
                                       "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    return kNames;
}

}  // namespace vilt::app
