#pragma once
// A grid of text cells addressed as (column, row), with row 0 the heading row.
//
// The heading row is the table's own column header, so that a screen reader announces it as
// headings rather than as the first row of data; each data row is named by its first cell (a
// month, a half hour's number). Tab enters the grid and leaves it; the arrows walk its cells.

#include <QTableWidget>

namespace vilt::app {

class StringGrid : public QTableWidget {
    Q_OBJECT
  public:
    StringGrid(const QString& objectName, int columns, int rows, QWidget* parent = nullptr);

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void setCellAlignment(int column, int row, Qt::Alignment alignment);
    void setColumnWidths(std::initializer_list<int> widths);
    // Every row, the heading row included.
    void setRowHeights(int height);
    void setHeadings(const QStringList& headings);
};

}  // namespace vilt::app
