#include "cli/table.h"

#include <algorithm>

#include "cli/output.h"

namespace vilt::cli {

void printTable(const QList<QStringList>& rows, const QSet<qsizetype>& numberColumns) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (qsizetype c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (const QStringList& row : rows) {
        QStringList cells;
        for (qsizetype c = 0; c + 1 < row.size(); ++c)
            cells << (numberColumns.contains(c) ? row[c].rightJustified(widths[c])
                                                : row[c].leftJustified(widths[c]));
        if (!row.isEmpty()) cells << row.last();
        out(cells.join(QStringLiteral("  ")));
    }
}

}  // namespace vilt::cli
