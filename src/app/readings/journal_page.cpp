#include "app/readings/journal_page.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>

#include "app/widgets/clock_text.h"
#include "app/frame/csv_export.h"
#include "app/widgets/radio_group.h"
#include "app/widgets/string_grid.h"
#include "sheet/sheets.h"

namespace vilt::app {

namespace {
constexpr int kGridRows = ops::kRecordsPerJournal + 1;
const QString kBlankCell = QStringLiteral("   ");
const std::array<QString, 3> kHeadings = {QStringLiteral("Номер события"),
                                          QStringLiteral("Дата события"),
                                          QStringLiteral("Время события")};
}  // namespace

JournalPage::JournalPage(Services& services, const ops::Journals& events, QWidget* parent)
    : QWidget(parent), m_services(services), m_events(events) {
    QStringList names;
    for (const QString& name : ops::journalNames()) names << name;
    m_journals =
        new RadioGroup(QStringLiteral("journalChoice"), QStringLiteral("Событие"), names, this);
    m_journals->setItemIndex(0);
    connect(m_journals, &RadioGroup::itemIndexChanged, this,
            [this] { m_services.guard.handle([this] { journalChosen(); }); });

    m_grid = new StringGrid(QStringLiteral("journalGrid"), 3, kGridRows, this);
    // Each column is as wide as its heading and its widest cell need in this font, never
    // narrower than the classic 27, 66 and 51 pixels.
    const QFontMetrics metrics(m_grid->font());
    auto width = [&](int least, std::initializer_list<QString> texts) {
        int widest = least;
        for (const QString& text : texts)
            widest = std::max(widest, metrics.horizontalAdvance(text) + 8);
        return widest;
    };
    const std::array<int, 3> widths = {width(27, {kHeadings[0], QStringLiteral("10")}),
                                       width(66, {kHeadings[1], QStringLiteral("28.11.2026")}),
                                       width(51, {kHeadings[2], QStringLiteral("23:59:59")})};
    m_grid->setColumnWidths({widths[0], widths[1], widths[2]});
    m_grid->setRowHeights(15);
    m_grid->setHorizontalHeaderLabels({kHeadings[0], kHeadings[1], kHeadings[2]});
    m_grid->setFixedSize(widths[0] + widths[1] + widths[2] + 4, kGridRows * 15 + 4);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_journals, 0, Qt::AlignTop);
    layout->addWidget(m_grid, 0, Qt::AlignTop);
    layout->addWidget(csvButton(QStringLiteral("journalCsv"), QStringLiteral("события.csv"),
                                m_services.presenter,
                                [this] { return QList{sheet::journalSheet(m_events)}; }, this),
                      0, Qt::AlignTop);
    layout->addStretch(1);
}

int JournalPage::selectedJournal() const {
    return m_journals->itemIndex();
}

void JournalPage::journalChosen() {
    showJournal(selectedJournal());
}

void JournalPage::showJournal(int journal) {
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
    for (int column = 0; column < 3; ++column)
        m_grid->setCell(column, 0, kHeadings[size_t(column)]);
    for (int k = 0; k < rows.events.size(); ++k) {
        m_grid->setCell(0, k + 1, QString::number(k + 1));
        m_grid->setCell(1, k + 1, dateText(rows.events[k].date()));
        m_grid->setCell(2, k + 1, timeText(rows.events[k].time()));
    }
}

}  // namespace vilt::app
