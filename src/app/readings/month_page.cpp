#include "app/readings/month_page.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/widgets/browse_button.h"
#include "app/widgets/clock_text.h"
#include "app/frame/csv_export.h"
#include "app/widgets/string_grid.h"
#include "link/outcome_texts.h"
#include "ops/number_text.h"
#include "sheet/sheets.h"

namespace vilt::app {

namespace {

constexpr int kColumns = 10;  // month; active T1-T4; a gap; reactive T1-T4
constexpr int kReactiveColumn = 6;
constexpr int kStoredDigits = 15;
const QString kBlankCell = QStringLiteral("   ");

QString storedText(const std::optional<double>& value) {
    return value ? ops::generalText(*value, kStoredDigits) : QString();
}

}  // namespace

MonthPage::MonthPage(Services& services, std::function<qint64()> factory, QWidget* parent)
    : QWidget(parent), m_services(services), m_factory(std::move(factory)) {
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("monthGridTitle"));
    m_grid = new StringGrid(QStringLiteral("monthGrid"), kColumns, link::kMonthCount + 1, this);
    QStringList headings = {QString(),
                            QStringLiteral("Тариф 1"),
                            QStringLiteral("Тариф 2"),
                            QStringLiteral("Тариф 3"),
                            QStringLiteral("Тариф 4"),
                            QString()};
    for (int t = 1; t <= link::kTariffCount; ++t) headings << QStringLiteral("Реактив %1").arg(t);
    m_grid->setHeadings(headings);
    for (int m = 1; m <= link::kMonthCount; ++m) m_grid->setCell(0, m, monthNames()[m - 1]);
    m_grid->setColumnWidths({80, 80, 80, 80, 80, 12, 80, 80, 80, 80});
    m_grid->setRowHeights(18);

    auto* back =
        browseButton(QStringLiteral("previousRecord"), false, QStringLiteral("Предыдущая запись"), this);
    auto* forward =
        browseButton(QStringLiteral("nextRecord"), true, QStringLiteral("Следующая запись"), this);
    connect(back, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { showPreviousRecord(); }); });
    connect(forward, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { showNextRecord(); }); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    buttons->addWidget(csvButton(QStringLiteral("monthCsv"), QStringLiteral("месяцы.csv"),
                                 m_services.presenter, [this] { return QList{sheet()}; }, this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

void MonthPage::blankMonths() {
    for (int m = 1; m <= link::kMonthCount; ++m)
        for (int column = 1; column < kColumns; ++column) m_grid->setCell(column, m, kBlankCell);
    m_shown.reset();
}

sheet::Sheet MonthPage::sheet() const {
    return sheet::monthSheet(m_shown ? QList{*m_shown} : QList<archive::MonthRow>{});
}

void MonthPage::showMonths(const ops::EnergyOutcome& outcome) {
    for (int m = 1; m <= link::kMonthCount; ++m) {
        const auto& counts = outcome.months[size_t(m - 1)];
        if (!counts) continue;
        m_monthEnds[size_t(m - 1)] = *counts;
        for (int t = 1; t <= link::kTariffCount; ++t)
            setCount(t, m, ops::hundredthsText(counts->at(size_t(t - 1))));
    }
    fitColumns();
    if (std::none_of(outcome.months.begin(), outcome.months.end(),
                     [](const auto& counts) { return counts.has_value(); }))
        return;
    m_shown = sheet::monthRow(m_factory ? m_factory() : 0, outcome);
    const QString read =
        QDateTime::currentDateTime().toString(kDateFormat + QStringLiteral(" hh:mm"));
    m_title->setText(m_factory
                         ? QStringLiteral("Счетчик № %1, прочитано %2").arg(m_factory()).arg(read)
                         : QStringLiteral("Прочитано %1").arg(read));
}

// Counts stand to the right, as figures are read; a column is never narrower than its widest.
void MonthPage::setCount(int column, int month, const QString& text) {
    m_grid->setCell(column, month, text);
    m_grid->setCellAlignment(column, month, Qt::AlignRight | Qt::AlignVCenter);
}

void MonthPage::fitColumns() {
    constexpr int kNarrowest = 80;
    constexpr int kPadding = 12;
    for (int column = 1; column < kColumns; ++column) {
        if (column == kReactiveColumn - 1) continue;  // the gap
        int widest = kNarrowest;
        for (int row = 0; row <= link::kMonthCount; ++row)
            widest = std::max(
                widest,
                m_grid->fontMetrics().horizontalAdvance(m_grid->cell(column, row)) + kPadding);
        m_grid->setColumnWidth(column, widest);
    }
}

void MonthPage::showNextRecord() {
    step(true);
}

void MonthPage::showPreviousRecord() {
    step(false);
}

// An empty table shows nothing; a failed read says why.
void MonthPage::step(bool forward) {
    const auto row = m_services.archive.stepMonths(forward);
    if (row) {
        showStoredRow(*row);
    } else if (!m_services.archive.error().isEmpty()) {
        m_services.presenter.message(m_services.archive.error());
    }
}

void MonthPage::showStoredRow(const archive::MonthRow& row) {
    m_services.presenter.setStatus(1, link::texts::kLocalNumber + QString::number(row.factory));
    m_shown = row;
    for (int m = 1; m <= link::kMonthCount; ++m) {
        for (int t = 1; t <= link::kTariffCount; ++t) {
            const auto index = size_t(archive::monthIndex(m, t));
            setCount(t, m, storedText(row.active[index]));
            setCount(t + kReactiveColumn - 1, m, storedText(row.reactive[index]));
        }
    }
    fitColumns();
    m_title->setText(QStringLiteral("Счетчик № %1, из архива").arg(row.factory));
}

}  // namespace vilt::app
