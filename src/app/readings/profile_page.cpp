#include "app/readings/profile_page.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/widgets/browse_button.h"
#include "app/widgets/clock_text.h"
#include "app/frame/csv_export.h"
#include "app/frame/panel.h"
#include "app/widgets/string_grid.h"
#include "link/outcome_texts.h"
#include "ops/number_text.h"
#include "ops/profile_range.h"
#include "sheet/sheets.h"
#include "station/keeping.h"

namespace vilt::app {

namespace {

constexpr int kShownDigits = 6;
constexpr int kMostDays = 366;  // a year and its leap day, as the command line allows
const QString kAllNumbers = QStringLiteral("Все №");
const QString kAbsent = QStringLiteral("Срезы отсутствуют!");
const QString kNoLink = QStringLiteral("Нет связи !!!");
enum Column { kNumber, kTime, kDate, kValue, kStatus, kColumns };

QDateEdit* dayPicker(const QString& name, const QString& spoken, QWidget* parent) {
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(kDateFormat);
    picker->calendarWidget()->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    picker->setAccessibleName(spoken);
    return picker;
}

// The day of a range as its list names it: a day without values says why.
QString rangeDayText(const ops::ProfileOutcome& day) {
    QString text = dateText(day.day);
    if (day.status == link::Status::Absent)
        text += QStringLiteral(" — ") + kAbsent;
    else if (!day.words)
        text += QStringLiteral(" — ") + kNoLink;
    return text;
}

ProfileDay readDay(const ops::ProfileOutcome& read) {
    ProfileDay day{read.day, read.factory, {}, std::array<bool, link::kProfileSlotCount>{}};
    for (size_t k = 0; k < size_t(link::kProfileSlotCount); ++k) {
        day.values[k] = ops::countValue(ops::slotHundredths((*read.words)[k]));
        (*day.complete)[k] = ops::slotComplete((*read.words)[k]);
    }
    return day;
}

}  // namespace

std::optional<archive::ProfileRow> neighbourRow(const QList<archive::ProfileRow>& rows,
                                                const std::optional<std::pair<qint64, QDate>>& at,
                                                bool forward) {
    const auto key = [](qint64 factory, const QDate& day) {
        return std::pair(factory, day.toJulianDay());
    };
    std::optional<archive::ProfileRow> best;
    for (const archive::ProfileRow& row : rows) {
        const auto here = key(row.factory, row.day);
        if (at &&
            (forward ? here <= key(at->first, at->second) : here >= key(at->first, at->second)))
            continue;
        if (!best ||
            (forward ? here < key(best->factory, best->day) : here > key(best->factory, best->day)))
            best = row;
    }
    return best;
}

ProfilePage::ProfilePage(Services& services, std::function<qint64()> factory, QWidget* parent)
    : QWidget(parent), m_services(services), m_factory(std::move(factory)) {
    m_grid = new StringGrid(QStringLiteral("profileGrid"), kColumns, link::kProfileSlotCount + 1, this);
    m_grid->setHeadings({QStringLiteral("№"), QStringLiteral("Время"), QStringLiteral("Дата"),
                         QStringLiteral("А+, кВт*ч"), QStringLiteral("Статус")});
    m_grid->setColumnWidths({30, 62, 76, 70, 100});
    m_grid->setRowHeights(18);
    m_grid->setMinimumWidth(30 + 62 + 76 + 70 + 100 + 24);
    m_chart = new ProfileChart(this);

    auto* body = new QHBoxLayout;
    body->addWidget(m_grid, 0);
    body->addWidget(m_chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addLayout(buildReadRow());
    layout->addLayout(buildBrowseRow());
    layout->addLayout(body, 1);
}

// From a day to a day, the button, how far the range has come and its days.
QLayout* ProfilePage::buildReadRow() {
    m_day = dayPicker(QStringLiteral("profileDay"), QStringLiteral("День среза"), this);
    m_dayTo = dayPicker(QStringLiteral("profileDayTo"), QStringLiteral("По день"), this);
    m_from = m_day->date();
    connect(m_day, &QDateEdit::dateChanged, this, &ProfilePage::fromChanged);
    auto* toLabel = new QLabel(QStringLiteral("по"), this);
    toLabel->setBuddy(m_dayTo);
    auto* read = new QPushButton(QStringLiteral("Читать"), this);
    read->setObjectName(QStringLiteral("readProfile"));
    connect(read, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { readProfile(); }); });
    m_services.guard.addControl(read);
    m_rangeProgress = new QProgressBar(this);
    m_rangeProgress->setObjectName(QStringLiteral("profileProgress"));
    m_rangeProgress->setAccessibleName(QStringLiteral("Прочитано дней"));
    m_rangeProgress->setFormat(QStringLiteral("%v из %m"));
    m_rangeProgress->setRange(0, 1);
    m_rangeProgress->setValue(0);
    m_rangeProgress->setMaximumWidth(110);
    m_rangeDays = new QComboBox(this);
    m_rangeDays->setObjectName(QStringLiteral("profileDayCount"));
    m_rangeDays->setMinimumWidth(120);
    m_rangeDays->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* daysLabel = new QLabel(QStringLiteral("Прочитанные дни"), this);
    daysLabel->setBuddy(m_rangeDays);
    m_rangeDays->setAccessibleName(daysLabel->text());
    connect(m_rangeDays, &QComboBox::currentIndexChanged, this, &ProfilePage::showRangeDay);

    auto* row = new QHBoxLayout;
    row->addWidget(m_day);
    row->addWidget(toLabel);
    row->addWidget(m_dayTo);
    row->addWidget(read);
    row->addWidget(m_rangeProgress);
    row->addSpacing(12);
    row->addWidget(daysLabel);
    row->addWidget(m_rangeDays);
    row->addStretch(1);
    return row;
}

QLayout* ProfilePage::buildBrowseRow() {
    m_numbers = new QComboBox(this);
    m_numbers->setObjectName(QStringLiteral("storedNumbers"));
    m_numbers->setEditable(true);
    m_numbers->setInsertPolicy(QComboBox::NoInsert);
    m_numbers->addItem(kAllNumbers);
    m_numbers->setCurrentIndex(0);
    m_numbers->setMinimumWidth(100);
    m_numbers->lineEdit()->setAccessibleName(QStringLiteral("№ счетчика"));
    auto* numberLabel = new QLabel(QStringLiteral("№ счетчика"), this);
    numberLabel->setBuddy(m_numbers);
    auto* back =
        browseButton(QStringLiteral("previousDay"), false, QStringLiteral("Предыдущий срез"), this);
    auto* forward =
        browseButton(QStringLiteral("nextDay"), true, QStringLiteral("Следующий срез"), this);
    connect(back, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { showPreviousDay(); }); });
    connect(forward, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { showNextDay(); }); });
    m_browseNote = new QLabel(this);
    m_browseNote->setObjectName(QStringLiteral("profileBrowseNote"));

    auto* row = new QHBoxLayout;
    row->addWidget(numberLabel);
    row->addWidget(m_numbers);
    row->addWidget(back);
    row->addWidget(forward);
    row->addSpacing(8);
    row->addWidget(m_browseNote, 1);
    row->addWidget(csvButton(QStringLiteral("profileCsv"), QStringLiteral("срезы.csv"),
                             m_services.presenter,
                             [this]() -> std::optional<QList<sheet::Sheet>> {
                                 if (const auto table = sheet()) return QList{*table};
                                 return std::nullopt;
                             },
                             this));
    return row;
}

// A range of one day follows the first picker; a longer one keeps its end while it can.
void ProfilePage::fromChanged(const QDate& day) {
    if (m_dayTo->date() == m_from || m_dayTo->date() < day) m_dayTo->setDate(day);
    m_from = day;
}

QDate ProfilePage::chosenDay() const {
    return m_day->date();
}

QString ProfilePage::filter() const {
    const QString text = m_numbers->currentText();
    return text == kAllNumbers ? QString() : text;
}

// Each day is shown as soon as it is read; at the end the last day with values, and the
// panel and any word from the archive for the whole range.
void ProfilePage::readProfile() {
    const QDate from = m_day->date();
    const QDate to = m_dayTo->date();
    if (to < from) {
        m_services.presenter.message(QStringLiteral("Последний день раньше первого"));
        return;
    }
    const int count = int(from.daysTo(to)) + 1;
    if (count > kMostDays) {
        m_services.presenter.message(
            QStringLiteral("За одно чтение — не более %1 дней").arg(kMostDays));
        return;
    }
    const qint64 factory = m_factory();
    m_services.presenter.beginOperation();
    m_browseNote->clear();
    m_browsing = false;
    m_range.clear();
    m_rangeDays->clear();
    m_rangeProgress->setRange(0, count);
    m_rangeProgress->setValue(0);
    const auto range =
        ops::readProfileRange(m_services.exchange, from, to, factory,
                              station::dayKeeper(&m_services.archive, factory),
                              [this](const ops::ProfileOutcome& day) {
                                  m_range << day;
                                  m_rangeProgress->setValue(int(m_range.size()));
                                  m_rangeDays->addItem(rangeDayText(day));
                                  m_rangeDays->setCurrentIndex(m_rangeDays->count() - 1);
                              });
    for (qsizetype i = m_range.size() - 1; i >= 0; --i) {
        if (m_range[i].words) {
            m_rangeDays->setCurrentIndex(int(i));
            break;
        }
    }
    ops::ProfileOutcome shown = range.days.last();
    // A day the archive refused was read all the same: its message tells the rest.
    if (range.status != link::Status::Failed) shown.status = range.status;
    shown.messages.clear();
    for (const ops::ProfileOutcome& day : range.days) shown.messages << day.messages;
    m_services.presenter.show(shown);
}

void ProfilePage::showRangeDay(int index) {
    if (index < 0 || index >= m_range.size()) return;
    const ops::ProfileOutcome& day = m_range[index];
    m_at = std::pair(day.factory, day.day);
    if (day.words)
        showDay(readDay(day));
    else
        clearDay(day.day, day.factory, day.status == link::Status::Absent ? kAbsent : kNoLink);
}

void ProfilePage::showNextDay() {
    step(true);
}

void ProfilePage::showPreviousDay() {
    step(false);
}

// By meter, then by day, with a word at either end and for a number with nothing stored.
// The number must be written as the archive keeps it (no leading zeros).
void ProfilePage::step(bool forward) {
    const QString number = filter();
    bool isNumber = number.isEmpty();
    const qint64 meter = number.toLongLong(&isNumber);
    const bool all = number.isEmpty();
    QList<archive::ProfileRow> rows;
    if (all || (isNumber && QString::number(meter) == number)) {
        rows = m_services.archive.profiles(all ? std::nullopt : std::optional(meter), std::nullopt,
                                           std::nullopt);
        if (!m_services.archive.error().isEmpty()) {
            m_services.presenter.message(m_services.archive.error());
            return;
        }
    }
    if (rows.isEmpty()) {
        m_browseNote->setText(
            all ? QStringLiteral("В архиве нет срезов")
                : QStringLiteral("В архиве нет срезов счетчика № %1").arg(number));
        return;
    }
    auto at = m_at;
    if (!all && at && at->first != meter) at.reset();
    const auto row = neighbourRow(rows, at, forward);
    if (!row) {
        QString end = forward ? QStringLiteral("Это последний день в архиве")
                              : QStringLiteral("Это первый день в архиве");
        if (!all) end += QStringLiteral(" для счетчика № %1").arg(number);
        m_browseNote->setText(end);
        return;
    }
    m_browseNote->clear();
    showStored(*row);
}

// The archive keeps no flags: the status column stays empty, and the read's panel goes.
void ProfilePage::showStored(const archive::ProfileRow& row) {
    m_services.presenter.showPanel(Panel::ProfileRead, false);
    m_services.presenter.showPanel(Panel::NoProfile, false);
    m_services.presenter.setStatus(1, link::texts::kLocalNumber + QString::number(row.factory));
    m_day->setDate(row.day);
    m_at = std::pair(row.factory, row.day);
    m_browsing = true;
    showDay(ProfileDay{row.day, row.factory, row.values, std::nullopt});
}

std::optional<sheet::Sheet> ProfilePage::sheet() const {
    if (!m_browsing || !m_at) return sheet::profileSheet(m_range);
    const QDate from = m_day->date();
    const QDate to = std::max(from, m_dayTo->date());
    const auto rows = m_services.archive.profiles(m_at->first, from, to);
    if (!m_services.archive.error().isEmpty()) {
        m_services.presenter.message(m_services.archive.error());
        return std::nullopt;
    }
    return sheet::profileSheet(rows);
}

void ProfilePage::showDay(const ProfileDay& day) {
    for (int k = 0; k < link::kProfileSlotCount; ++k) {
        const ops::SlotLabel label = ops::slotLabel(day.day, k);
        const auto& value = day.values[size_t(k)];
        QString status;
        if (day.complete) status = ops::slotStatusText((*day.complete)[size_t(k)]);
        m_grid->setCell(kNumber, k + 1, QString::number(k));
        m_grid->setCell(kTime, k + 1, timeText(label.end));
        m_grid->setCell(kDate, k + 1, dateText(label.date));
        m_grid->setCell(kValue, k + 1, value ? ops::generalText(*value, kShownDigits) : QString());
        m_grid->setCell(kStatus, k + 1, status);
    }
    m_chart->showDay(day);
}

void ProfilePage::clearDay(const QDate& day, qint64 factory, const QString& why) {
    for (int k = 1; k <= link::kProfileSlotCount; ++k)
        for (int column = 0; column < kColumns; ++column) m_grid->setCell(column, k, QString());
    m_chart->clearDay(day, factory, why);
}

}  // namespace vilt::app
