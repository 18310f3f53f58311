#include "sheet/csv.h"

#include <QSaveFile>

#include "ops/number_text.h"

namespace vilt::sheet {

namespace {

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
const QString kLineEnd = QStringLiteral("\r\n");

// A text that a spreadsheet would take for a formula (a label "=HYPERLINK(…)" from a round
// file, a place of installation from the meter) is written with an apostrophe before it, so
// that it stays text when the file is opened.
QString inertText(const QString& text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front())) return QLatin1Char('\'') + text;
    return text;
}

QString fieldText(const Cell& cell, const CsvFormat& format) {
    switch (cell.kind()) {
    case Cell::Kind::Empty:
        return QString();
    case Cell::Kind::Text:
        return inertText(cell.plain());
    case Cell::Kind::Number:
        return QString(cell.plain()).replace(QLatin1Char('.'), format.decimal);
    case Cell::Kind::Date:
        return cell.time().date().toString(format.date);
    case Cell::Kind::DateTime:
        return cell.time().toString(format.dateTime);
    }
    return QString();
}

// A field holding the separator, a quote or a line break goes in quotes, its quotes doubled.
QString quoted(const QString& field, QChar separator) {
    const bool needs = field.contains(separator) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'));
    if (!needs) return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString line(const QStringList& fields, QChar separator) {
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields) written << quoted(field, separator);
    return written.join(separator) + kLineEnd;
}

}  // namespace

Cell Cell::text(const QString& text) {
    Cell cell;
    cell.m_kind = Kind::Text;
    cell.m_text = text;
    return cell;
}

Cell Cell::number(const QString& plain) {
    Cell cell;
    cell.m_kind = Kind::Number;
    cell.m_text = plain;
    return cell;
}

Cell Cell::integer(int64_t value) {
    return number(QString::number(value));
}

Cell Cell::hundredths(int64_t count) {
    return number(ops::hundredthsText(count, QLocale::c()));
}

Cell Cell::date(const QDate& day) {
    Cell cell;
    if (!day.isValid()) return cell;
    cell.m_kind = Kind::Date;
    cell.m_time = QDateTime(day, QTime(0, 0));
    return cell;
}

Cell Cell::dateTime(const QDateTime& time) {
    Cell cell;
    if (!time.isValid()) return cell;
    cell.m_kind = Kind::DateTime;
    cell.m_time = time;
    return cell;
}

CsvFormat csvFormat(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return {QLatin1Char(','), QLatin1Char('.'), QStringLiteral("yyyy-MM-dd"),
                QStringLiteral("yyyy-MM-dd HH:mm:ss")};
    const QString point = locale.decimalPoint();
    const QChar decimal = point.size() == 1 ? point.front() : QLatin1Char('.');
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy"))) date.replace(QStringLiteral("yy"), "yyyy");
    return {decimal == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(','), decimal, date,
            date + QStringLiteral(" HH:mm:ss")};
}

QByteArray toCsv(const Sheet& sheet, const CsvFormat& format) {
    return toCsv(QList<Sheet>{sheet}, format);
}

QByteArray toCsv(const QList<Sheet>& sheets, const CsvFormat& format) {
    QString text;
    for (const Sheet& sheet : sheets) {
        if (!text.isEmpty()) text += kLineEnd;
        text += line(sheet.heading, format.separator);
        for (const QList<Cell>& row : sheet.rows) {
            QStringList fields;
            fields.reserve(row.size());
            for (const Cell& cell : row) fields << fieldText(cell, format);
            text += line(fields, format.separator);
        }
    }
    return kByteOrderMark + text.toUtf8();
}

std::optional<QString> saveCsv(const QString& path, const QList<Sheet>& sheets,
                               const QLocale& locale) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(toCsv(sheets, csvFormat(locale)));
        if (file.commit()) return std::nullopt;
    }
    return QStringLiteral("Не удалось сохранить файл %1: %2").arg(path, file.errorString());
}

}  // namespace vilt::sheet
