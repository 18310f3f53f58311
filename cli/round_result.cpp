#include "cli/round_result.h"

#include <QStringList>
#include <algorithm>

#include "cli/json.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "sheet/sheets.h"

namespace vilt::cli {

namespace {

QString optionalNumber(const std::optional<qint64>& value, bool hundredthsOf) {
    if (!value) return QString();
    return hundredthsOf ? hundredths(*value) : QString::number(*value);
}

}  // namespace

void printSummary(const QList<MeterResult>& results) {
    const QStringList header{QStringLiteral("label"), QStringLiteral("factory"),
                             QStringLiteral("energy"), QStringLiteral("offset"),
                             QStringLiteral("result")};
    QList<QStringList> rows{header};
    for (const MeterResult& r : results)
        rows << QStringList{
            r.label.isEmpty() ? QStringLiteral("line %1").arg(r.line) : printable(r.label),
            r.factory ? QString::number(*r.factory) : QString(), optionalNumber(r.energy, true),
            optionalNumber(r.offset, false), printable(r.result)};
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const QStringList& row : rows) {
        QStringList cells;
        for (qsizetype c = 0; c + 1 < row.size(); ++c) {
            // Numbers to the right, text to the left.
            cells << (c == 2 || c == 3 ? row[c].rightJustified(widths[c])
                                       : row[c].leftJustified(widths[c]));
        }
        cells << row.last();
        out(cells.join(QStringLiteral("  ")));
    }
}

void printJson(const QList<MeterResult>& results) {
    QStringList items;
    const QString null = QStringLiteral("null");
    for (const MeterResult& r : results)
        items << QStringLiteral(
                     R"({"line":%1,"label":%2,"factory":%3,"ok":%4,"result":%5,"code":%6,)"
                     R"("energy":%7,"offset":%8,"clock_set":%9})")
                     .arg(r.line)
                     .arg(jsonString(r.label), r.factory ? QString::number(*r.factory) : null,
                          r.ok ? "true" : "false", jsonString(r.result), jsonString(r.code),
                          r.energy ? hundredths(*r.energy) : null,
                          r.offset ? QString::number(*r.offset) : null,
                          r.clockSet ? "true" : "false");
    out(QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']'));
}

void printCsv(const QList<MeterResult>& results) {
    outCsv({sheet::roundSheet(results)});
}

void printResults(const QList<MeterResult>& results, bool json, bool csv) {
    if (csv)
        printCsv(results);
    else if (json)
        printJson(results);
    else
        printSummary(results);
}

}  // namespace vilt::cli
