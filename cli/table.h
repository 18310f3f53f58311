#pragma once
// A table on standard output: a heading row, columns padded to their widest cell, numbers
// to the right, text to the left, the last column as it is.

#include <QList>
#include <QSet>
#include <QStringList>

namespace vilt::cli {

void printTable(const QList<QStringList>& rows, const QSet<qsizetype>& numberColumns);

}  // namespace vilt::cli
