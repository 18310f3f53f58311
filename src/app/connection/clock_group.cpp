#include "app/connection/clock_group.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

#include "app/widgets/clock_text.h"
#include "ops/clock.h"

namespace vilt::app {

ClockGroup::ClockGroup(QWidget* parent)
    : QGroupBox(QStringLiteral("        Время и дата"), parent) {
    setObjectName(QStringLiteral("clockGroup"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("meterDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(kDateFormat);
    // Month and day names of the calendar in Russian, as the rest of the window.
    m_date->calendarWidget()->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QStringLiteral("meterTime"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_day = new QLabel(this);
    m_day->setObjectName(QStringLiteral("meterDayName"));
    m_dst = new QCheckBox(QStringLiteral("Время зима-лето"), this);
    m_dst->setObjectName(QStringLiteral("dstAllowed"));
    m_dst->setChecked(true);
    m_sync = new QPushButton(QStringLiteral("Синхр."), this);
    m_sync->setObjectName(QStringLiteral("syncClock"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(m_date, 0, 0);
    grid->addWidget(m_time, 0, 1);
    grid->addWidget(m_day, 1, 0);
    grid->addWidget(m_dst, 1, 1);
    grid->addWidget(m_sync, 2, 1);
    // The day name follows the date however the user changes it: a click or Return in the
    // calendar, its arrows, or the keys in the field. The meter's own day number, set with
    // the date after a read, is not overridden.
    connect(m_date->calendarWidget(), &QCalendarWidget::clicked, this, [this] { dateChosen(); });
    connect(m_date, &QDateEdit::dateChanged, this, [this] {
        if (!m_settingDate) dateChosen();
    });
}

QTime ClockGroup::time() const {
    return m_time->time();
}
QDate ClockGroup::date() const {
    return m_date->date();
}
void ClockGroup::setTime(const QTime& time) {
    m_time->setTime(time);
}
void ClockGroup::setDate(const QDate& date) {
    m_settingDate = true;
    m_date->setDate(date);
    m_settingDate = false;
}
void ClockGroup::showDayName(const QString& name) {
    m_day->setText(name);
}
bool ClockGroup::dstAllowed() const {
    return m_dst->isChecked();
}
void ClockGroup::setDstAllowed(bool allowed) {
    m_dst->setChecked(allowed);
}

void ClockGroup::setToNow() {
    const QDateTime now = QDateTime::currentDateTime();
    setDate(now.date());
    setTime(now.time());
    dateChosen();
}

void ClockGroup::dateChosen() {
    if (const auto name = ops::dayName(date().dayOfWeek())) showDayName(*name);
}

}  // namespace vilt::app
