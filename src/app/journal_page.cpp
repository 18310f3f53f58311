#include "app/journal_page.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <algorithm>

#include "app/clock_text.h"
#include "app/radio_group.h"
#include "app/string_grid.h"

namespace vilt::app {

namespace {
constexpr int kGridRows = ops::kRecordsPerJournal + 1;
const QString kBlankCell = QStringLiteral("   ");
}  // namespace

JournalPage::JournalPage(Services& services, const ops::EventTab& events, QWidget* parent)
    : QWidget(parent), m_services(services), m_events(events) {
    QStringList names;
    for (const QString& name : ops::journalNames()) names << name;
    m_journals =
        new RadioGroup(QStringLiteral("EventGroup"), QStringLiteral("Событие"), names, this);
    m_journals->setItemIndex(0);
    connect(m_journals, &RadioGroup::itemIndexChanged, this,
            [this] { m_services.guard.handle([this] { EventGroupClick(); }); });

    m_grid = new StringGrid(QStringLiteral("StringGridEvents"), 3, kGridRows, this);
    // The columns are wide enough for a date and a time in this font, never narrower than
    // the classic 27, 66 and 51 pixels.
    const QFontMetrics metrics(m_grid->font());
    const int dateWidth = std::max(66, metrics.horizontalAdvance(QStringLiteral("28.11.2026")) + 8);
    const int timeWidth = std::max(51, metrics.horizontalAdvance(QStringLiteral("23:59:59")) + 8);
    m_grid->setColumnWidths({27, dateWidth, timeWidth});
    m_grid->setRowHeights(15);
    m_grid->setFixedSize(27 + dateWidth + timeWidth + 4, kGridRows * 15 + 4);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_journals, 0, Qt::AlignTop);
    layout->addWidget(m_grid, 0, Qt::AlignTop);
    layout->addStretch(1);
}

int JournalPage::selectedJournal() const {
    return m_journals->itemIndex();
}

void JournalPage::EventGroupClick() {
    EventOut(selectedJournal());
}

void JournalPage::EventOut(int journal) {
    for (int row = 1; row < kGridRows; ++row) {
        m_grid->setCell(0, row, QString::number(row));
        m_grid->setCell(1, row, kBlankCell);
        m_grid->setCell(2, row, kBlankCell);
    }
    const ops::JournalRows rows = ops::journalRows(m_events.at(static_cast<size_t>(journal)));
    if (!rows.error.isEmpty()) {
        m_services.presenter.message(rows.error);
        return;
    }
    m_grid->setCell(0, 0, QStringLiteral("Номер события"));
    m_grid->setCell(1, 0, QStringLiteral("Дата события"));
    m_grid->setCell(2, 0, QStringLiteral("Время события"));
    for (int k = 0; k < rows.events.size(); ++k) {
        m_grid->setCell(0, k + 1, QString::number(k + 1));
        m_grid->setCell(1, k + 1, dateText(rows.events[k].date()));
        m_grid->setCell(2, k + 1, timeText(rows.events[k].time()));
    }
}

}  // namespace vilt::app
