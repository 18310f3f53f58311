#pragma once
// A table as a spreadsheet program opens it: CSV in UTF-8 with a byte-order mark (without it
// a spreadsheet takes the Cyrillic for the system's code page), lines ended by CR LF.
//
// The separator, the decimal sign and the dates follow the locale: where the decimal sign is
// a comma (Russian) the fields are separated by ';' and days written dd.mm.yyyy; elsewhere by
// ','. The C locale writes days as ISO dates. A number never has group separators, so a
// spreadsheet reads it back as the same number.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace vilt::sheet {

class Cell {
  public:
    enum class Kind { Empty, Text, Number, Date, DateTime };

    Cell() = default;
    static Cell text(const QString& text);
    // A number written with a decimal point and an ASCII minus ("-123.45", "7").
    static Cell number(const QString& plain);
    static Cell integer(int64_t value);
    static Cell hundredths(int64_t count);  // 12345 → 123.45
    static Cell date(const QDate& day);
    static Cell dateTime(const QDateTime& time);  // to the second

    Kind kind() const { return m_kind; }
    const QString& plain() const { return m_text; }
    const QDateTime& time() const { return m_time; }

  private:
    Kind m_kind = Kind::Empty;
    QString m_text;
    QDateTime m_time;
};

struct Sheet {
    QStringList heading;
    QList<QList<Cell>> rows;
};

struct CsvFormat {
    QChar separator;
    QChar decimal;
    QString date;      // QDate::toString's format
    QString dateTime;  // QDateTime::toString's format
};

CsvFormat csvFormat(const QLocale& locale);

// The sheet as the bytes of a CSV file.
QByteArray toCsv(const Sheet& sheet, const CsvFormat& format);
// Several sheets in one file, one below the other with an empty line between them.
QByteArray toCsv(const QList<Sheet>& sheets, const CsvFormat& format);

// Writes the sheets to a CSV file in the locale's conventions, whole or not at all (a file
// already there stays as it was when the write fails). The reason when it failed.
std::optional<QString> saveCsv(const QString& path, const QList<Sheet>& sheets,
                               const QLocale& locale);

}  // namespace vilt::sheet
