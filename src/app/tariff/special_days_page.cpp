#include "app/tariff/special_days_page.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/widgets/clock_text.h"
#include "app/widgets/radio_group.h"
#include "app/widgets/string_grid.h"
#include "tariff/special_days.h"

namespace vilt::app {

namespace {

constexpr int kFirstYear = 2006;
constexpr int kLastYear = 2030;
constexpr int kHoliday = 1;
const QString kEmptyCell = QStringLiteral(" ");

}  // namespace

SpecialDaysPage::SpecialDaysPage(Services& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    m_grid = new StringGrid(QStringLiteral("specialDaysGrid"), 3, tariff::kSpecDayMax + 1, this);
    m_grid->setHeadings({QStringLiteral("№"), QStringLiteral("Дата"), QStringLiteral("Тип дня")});
    m_grid->setColumnWidths({24, 48, 80});
    m_grid->setRowHeights(18);
    m_grid->setFixedWidth(24 + 48 + 80 + 24);

    m_add = new QPushButton(QStringLiteral("Добавить день"), this);
    m_add->setObjectName(QStringLiteral("addDay"));
    m_delete = new QPushButton(QStringLiteral("Удалить день  "), this);
    m_delete->setObjectName(QStringLiteral("deleteDay"));
    m_erase = new QPushButton(QStringLiteral("Очистить"), this);
    m_erase->setObjectName(QStringLiteral("clearDays"));
    m_erase->setStyleSheet(QStringLiteral("QPushButton#clearDays { color: blue; }"));
    m_erase->setToolTip(QStringLiteral("Очистка календаря нестандартных дней"));
    connect(m_add, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { addDay(); }); });
    connect(m_delete, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { deleteDay(); }); });
    connect(m_erase, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { clearDays(); }); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addWidget(m_erase);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildPickers(), 0, Qt::AlignTop);
    layout->addLayout(buttons);
    layout->addWidget(m_grid);
    layout->addStretch(1);
    clearDays();
}

QWidget* SpecialDaysPage::buildPickers() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_calendar = new QCalendarWidget(box);
    m_calendar->setObjectName(QStringLiteral("calendar"));
    m_calendar->setNavigationBarVisible(false);
    m_calendar->setAccessibleName(QStringLiteral("День"));
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setSelectedDate(QDate::currentDate());
    m_calendar->setFixedSize(230, 150);
    m_year = new QSpinBox(box);
    m_year->setObjectName(QStringLiteral("year"));
    m_year->setRange(kFirstYear, kLastYear);
    m_year->setValue(m_calendar->selectedDate().year());
    auto* yearLabel = new QLabel(QStringLiteral("Год"), box);
    yearLabel->setBuddy(m_year);
    connect(m_year, &QSpinBox::valueChanged, this,
            [this] { m_services.guard.handle([this] { yearChanged(); }); });
    m_months =
        new RadioGroup(QStringLiteral("month"), QStringLiteral("Месяц"), monthNames(), box);
    connect(m_months, &RadioGroup::itemIndexChanged, this,
            [this] { m_services.guard.handle([this] { monthChosen(); }); });
    m_type = new RadioGroup(QStringLiteral("dayType"), QStringLiteral("Тип дня"),
                            {QStringLiteral("Рабочий"), QStringLiteral("Праздник")}, box);
    // A click on a day of the month before or after turns the grid there: the month and
    // the year follow it.
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, [this](int year, int month) {
        m_year->setValue(year);
        m_months->setItemIndex(month - 1);
    });
    auto* year = new QHBoxLayout;
    year->addWidget(yearLabel);
    year->addWidget(m_year);
    year->addStretch(1);
    grid->addLayout(year, 0, 0);
    grid->addWidget(m_calendar, 1, 0);
    grid->addWidget(m_type, 2, 0);
    grid->addWidget(m_months, 0, 1, 3, 1);
    return box;
}

void SpecialDaysPage::showDayRow(int type, int i) {
    const tariff::SpecialDay& record = m_services.tariffs.days.records[size_t(i)];
    m_grid->setCell(0, i + 1, QString::number(i + 1));
    m_grid->setCell(1, i + 1, tariff::specDayDateText(record));
    if (const auto text = tariff::specDayTypeText(type)) m_grid->setCell(2, i + 1, *text);
}

int SpecialDaysPage::showCalendar() {
    clearRows();
    const auto& table = m_services.tariffs.days.records;
    const int n = tariff::specDayListLength(table);
    for (int i = 0; i < n; ++i) showDayRow(table[size_t(i)].type, i);
    if (n > 0) {
        // The month before the day, so that the 31st of a long month is never refused by a
        // shorter one shown before.
        const tariff::SpecialDay& last = table[size_t(n - 1)];
        m_months->setItemIndex(last.month - 1);
        setMonth(last.month);
        setDay(last.day);
        m_type->setItemIndex(last.type);
    } else {
        setDay(1);
        m_months->setItemIndex(0);
        setMonth(1);
        m_type->setItemIndex(kHoliday);
    }
    m_services.tariffs.days.count = n;
    updateButtons();
    return n;
}

// A full table takes no more: the button is off whenever 30 records are listed.
void SpecialDaysPage::addDay() {
    tariff::SpecDays& days = m_services.tariffs.days;
    if (days.count >= tariff::kSpecDayMax) return;
    const QDate picked = m_calendar->selectedDate();
    days.records[size_t(days.count)] = {picked.day(), picked.month(),
                                                  std::max(m_type->itemIndex(), 0)};
    showDayRow(days.records[size_t(days.count)].type, days.count);
    ++days.count;
    updateButtons();
}

// The last record goes, whatever row is selected.
void SpecialDaysPage::deleteDay() {
    tariff::SpecDays& days = m_services.tariffs.days;
    if (days.count <= 0) return;
    --days.count;
    days.records[size_t(days.count)] = {};
    for (int column = 0; column < 3; ++column)
        m_grid->setCell(column, days.count + 1, kEmptyCell);
    updateButtons();
}

void SpecialDaysPage::clearDays() {
    clearRows();
    m_services.tariffs.days = {};
    m_months->setItemIndex(0);
    setMonth(1);
    m_type->setItemIndex(kHoliday);
    setDay(1);
    updateButtons();
}

void SpecialDaysPage::monthChosen() {
    setMonth(m_months->itemIndex() + 1);
}

void SpecialDaysPage::yearChanged() {
    const QDate shown = m_calendar->selectedDate();
    const int year = m_year->value();
    const int day = std::min(shown.day(), QDate(year, shown.month(), 1).daysInMonth());
    m_calendar->setSelectedDate(QDate(year, shown.month(), day));
    m_calendar->setCurrentPage(year, shown.month());
}

void SpecialDaysPage::pageOpened() {
    showCalendar();
}

// A day past the new month's end becomes its last day.
void SpecialDaysPage::setMonth(int month) {
    if (month < 1 || month > 12) return;
    const QDate shown = m_calendar->selectedDate();
    const int day = std::min(shown.day(), QDate(shown.year(), month, 1).daysInMonth());
    m_calendar->setSelectedDate(QDate(shown.year(), month, day));
    m_calendar->setCurrentPage(shown.year(), month);
}

void SpecialDaysPage::setDay(int day) {
    const QDate shown = m_calendar->selectedDate();
    if (day < 1 || day > shown.daysInMonth()) return;
    m_calendar->setSelectedDate(QDate(shown.year(), shown.month(), day));
}

void SpecialDaysPage::clearRows() {
    for (int row = 1; row <= tariff::kSpecDayMax; ++row)
        for (int column = 0; column < 3; ++column) m_grid->setCell(column, row, QString());
}

void SpecialDaysPage::updateButtons() {
    const int count = m_services.tariffs.days.count;
    m_add->setEnabled(count < tariff::kSpecDayMax);
    m_delete->setEnabled(count > 0);
}

}  // namespace vilt::app
