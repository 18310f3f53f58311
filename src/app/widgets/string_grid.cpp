#include "app/widgets/string_grid.h"

#include <QHeaderView>

namespace vilt::app {

StringGrid::StringGrid(const QString& objectName, int columns, int rows, QWidget* parent)
    : QTableWidget(rows - 1, columns, parent) {
    setObjectName(objectName);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false);
    for (int column = 0; column < columns; ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem);
        for (int row = 0; row < rowCount(); ++row) setItem(row, column, new QTableWidgetItem);
    }
    for (int row = 0; row < rowCount(); ++row)
        setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row + 1)));
}

QString StringGrid::cell(int column, int row) const {
    return row == 0 ? horizontalHeaderItem(column)->text() : item(row - 1, column)->text();
}

void StringGrid::setCell(int column, int row, const QString& text) {
    if (row == 0) {
        horizontalHeaderItem(column)->setText(text);
        horizontalHeaderItem(column)->setToolTip(text);  // a heading wider than its column
        return;
    }
    item(row - 1, column)->setText(text);
    if (column == 0) {
        const QString trimmed = text.trimmed();
        verticalHeaderItem(row - 1)->setText(trimmed.isEmpty() ? QString::number(row) : trimmed);
    }
}

void StringGrid::setCellAlignment(int column, int row, Qt::Alignment alignment) {
    QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
    cell->setTextAlignment(alignment);
}

void StringGrid::setColumnWidths(std::initializer_list<int> widths) {
    int column = 0;
    for (int width : widths) setColumnWidth(column++, width);
}

void StringGrid::setHeadings(const QStringList& headings) {
    for (int column = 0; column < headings.size(); ++column) setCell(column, 0, headings[column]);
}

void StringGrid::setRowHeights(int height) {
    horizontalHeader()->setFixedHeight(height);
    verticalHeader()->setMinimumSectionSize(height);
    for (int row = 0; row < rowCount(); ++row) setRowHeight(row, height);
}

}  // namespace vilt::app
