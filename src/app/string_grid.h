#pragma once
// A grid of text cells addressed as (column, row), with row 0 drawn as a fixed heading row.

#include <QTableWidget>

namespace vilt::app {

class StringGrid : public QTableWidget {
    Q_OBJECT
  public:
    StringGrid(const QString& objectName, int columns, int rows, QWidget* parent = nullptr);

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void setColumnWidths(std::initializer_list<int> widths);
    void setRowHeights(int height);
    // The heading row, also as the column headings a screen reader announces.
    void setHeadings(const QStringList& headings);
};

}  // namespace vilt::app
