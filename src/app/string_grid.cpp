#include "app/string_grid.h"

#include <QHeaderView>

namespace vilt::app {

StringGrid::StringGrid(const QString& objectName, int columns, int rows, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
    setObjectName(objectName);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            auto* item = new QTableWidgetItem;
            if (row == 0) item->setBackground(palette().button());
            setItem(row, column, item);
        }
    }
}

QString StringGrid::cell(int column, int row) const {
    return item(row, column)->text();
}

void StringGrid::setCell(int column, int row, const QString& text) {
    item(row, column)->setText(text);
    item(row, column)->setToolTip(row == 0 ? text : QString());
}

void StringGrid::setColumnWidths(std::initializer_list<int> widths) {
    int column = 0;
    for (int width : widths) setColumnWidth(column++, width);
}

void StringGrid::setHeadings(const QStringList& headings) {
    for (int column = 0; column < headings.size(); ++column) setCell(column, 0, headings[column]);
    setHorizontalHeaderLabels(headings);
}

void StringGrid::setRowHeights(int height) {
    verticalHeader()->setMinimumSectionSize(height);
    for (int row = 0; row < rowCount(); ++row) setRowHeight(row, height);
}

}  // namespace vilt::app
