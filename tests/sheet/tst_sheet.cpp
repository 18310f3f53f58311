// Tables for a spreadsheet: what a spreadsheet program needs to read them back right, under a
// Russian and the C locale, and the rows each table is made of.

#include <QtTest>

#include "sheet/csv.h"
#include "sheet/sheets.h"

using namespace vilt;
using sheet::Cell;

namespace {

const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

QLocale russian() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}

// The file's lines, byte-order mark checked and taken off.
QStringList csvLines(const sheet::Sheet& sheet, const QLocale& locale) {
    const QByteArray bytes = sheet::toCsv(sheet, sheet::csvFormat(locale));
    if (!bytes.startsWith(kBom)) return {QStringLiteral("no byte-order mark")};
    QString text = QString::fromUtf8(bytes.mid(kBom.size()));
    if (!text.endsWith(QStringLiteral("\r\n"))) return {QStringLiteral("no CR LF at the end")};
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

}  // namespace

class TstSheet : public QObject {
    Q_OBJECT

  private slots:
    // One row of every kind of cell, as each locale writes it.
    void cells_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("row");
        QTest::newRow("Russian") << russian()
                                 << "123,45;-0,01;21474836,47;7;10.12.2026;10.12.2026 09:05:03;;Дом 1";
        QTest::newRow("C") << QLocale::c()
                           << "123.45,-0.01,21474836.47,7,2026-12-10,2026-12-10 09:05:03,,Дом 1";
        QTest::newRow("English (US)") << QLocale(QLocale::English, QLocale::UnitedStates)
                                      << "123.45,-0.01,21474836.47,7,12/10/2026,12/10/2026 "
                                         "09:05:03,,Дом 1";
    }
    void cells() {
        QFETCH(QLocale, locale);
        QFETCH(QString, row);
        const sheet::Sheet sheet{{"a", "b", "c", "d", "e", "f", "g", "h"},
                                 {{Cell::hundredths(12345), Cell::hundredths(-1),
                                   Cell::hundredths(2147483647), Cell::integer(7),
                                   Cell::date(QDate(2026, 12, 10)),
                                   Cell::dateTime(QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3))),
                                   Cell(), Cell::text("Дом 1")}}};
        const QStringList lines = csvLines(sheet, locale);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], row);
    }

    // Text that would split a field, a line or be taken for a formula stays one text field.
    void text_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("russian");
        QTest::addColumn<QString>("c");
        QTest::newRow("separator of each") << "a;b,c" << "\"a;b,c\"" << "\"a;b,c\"";
        QTest::newRow("comma only") << "a,b" << "a,b" << "\"a,b\"";
        QTest::newRow("quote") << "щит \"А\"" << "\"щит \"\"А\"\"\"" << "\"щит \"\"А\"\"\"";
        QTest::newRow("line break") << "1\n2" << "\"1\n2\"" << "\"1\n2\"";
        QTest::newRow("formula") << "=1+2" << "'=1+2" << "'=1+2";
        QTest::newRow("formula with separator") << "=A1;B1" << "\"'=A1;B1\"" << "'=A1;B1";
    }
    void text() {
        QFETCH(QString, text);
        QFETCH(QString, russian);
        QFETCH(QString, c);
        const sheet::Sheet sheet{{"x", "y"}, {{Cell::text(text), Cell::integer(1)}}};
        const QString ruSeparator = QStringLiteral(";");
        QCOMPARE(sheet::toCsv(sheet, sheet::csvFormat(::russian())),
                 kBom + ("x;y\r\n" + russian + ruSeparator + "1\r\n").toUtf8());
        QCOMPARE(sheet::toCsv(sheet, sheet::csvFormat(QLocale::c())),
                 kBom + ("x,y\r\n" + c + ",1\r\n").toUtf8());
    }

    // Values stored by this program come back exact to the hundredth; a value another program
    // wrote with more decimals keeps them; a column never written stays empty.
    void storedProfile() {
        archive::ProfileRow day{QDate(2026, 3, 1), 12345, {}};
        day.values[0] = 0.1 + 0.2;  // 0.30000000000000004
        day.values[1] = 1.125;
        day.values[47] = 42949672.95;
        const QStringList lines = csvLines(sheet::profileSheet({day}), russian());
        QCOMPARE(lines.size(), 1 + 48);
        QCOMPARE(lines[0], "Заводской номер;Сутки;№;Время;Дата;А+, кВт*ч");
        QCOMPARE(lines[1], "12345;01.03.2026;0;0:30;01.03.2026;0,3");
        QCOMPARE(lines[2], "12345;01.03.2026;1;1:00;01.03.2026;1,125");
        QCOMPARE(lines[3], "12345;01.03.2026;2;1:30;01.03.2026;");
        QCOMPARE(lines[48], "12345;01.03.2026;47;0:00;02.03.2026;42949672,95");
    }

    // A day read from the meter tells each slice's flag; a day the meter did not hold adds no
    // rows.
    void readProfile() {
        ops::ProfileOutcome read;
        read.day = QDate(2026, 3, 1);
        read.factory = 7;
        ops::ProfileWords words{};
        words[0] = 0x8000 | 150;  // incomplete, 1.50
        words[1] = 0x7FFF;        // the largest value
        read.words = words;
        ops::ProfileOutcome absent;
        absent.day = QDate(2026, 3, 2);
        const QStringList lines = csvLines(sheet::profileSheet(QList{read, absent}), QLocale::c());
        QCOMPARE(lines.size(), 1 + 48);
        QCOMPARE(lines[1], "7,2026-03-01,0,0:30,2026-03-01,1.5,Срез не целый");
        QCOMPARE(lines[2], "7,2026-03-01,1,1:00,2026-03-01,327.67,Ок");
    }

    // The month-end readings a read got, as stored: exact, and the months not read empty.
    void months() {
        ops::EnergyOutcome read;
        read.months[0] = ops::Counts{123456789, 1, 0, -5};
        const archive::MonthRow row = sheet::monthRow(9, read);
        const QStringList lines = csvLines(sheet::monthSheet({row}), russian());
        QCOMPARE(lines.size(), 1 + 12);
        QCOMPARE(lines[1], "9;1;1234567,89;0,01;0;-0,05;;;;");
        QCOMPARE(lines[2], "9;2;;;;;;;;");
    }

    void energy() {
        ops::EnergyOutcome read;
        read.active = ops::Counts{2147483647, 2147483647, 1, 0};
        const QStringList lines = csvLines(sheet::energySheet(read), russian());
        QCOMPARE(lines, QStringList({"Энергия;Т1;Т2;Т3;Т4;Сумма",
                                     "Активная, кВт*ч;21474836,47;21474836,47;0,01;0;42949672,95"}));
    }

    // Each journal's events in order; a journal holding a record that is no real time says so.
    void journals() {
        ops::Journals tab{};
        tab[0][0] = {10, 12, 26, 9, 5};
        tab[0][1] = {11, 12, 26, 23, 59};
        tab[2][0] = {31, 2, 26, 0, 0};  // 31 February
        const QStringList lines = csvLines(sheet::journalSheet(tab), russian());
        QCOMPARE(lines, QStringList({"Журнал;№;Дата и время",
                                     "включение счетчика;1;10.12.2026 09:05:00",
                                     "включение счетчика;2;11.12.2026 23:59:00",
                                     "смена тарифов;;Invalid argument to date encode"}));
    }

    void visits() {
        archive::VisitRecord visit{QDateTime(QDate(2026, 12, 10), QTime(8, 0, 1)), "one", 5,
                                   "Дом; кв. 2", "ok", -3, 123456};
        archive::VisitRecord failed{QDateTime(QDate(2026, 12, 10), QTime(8, 1, 0)), "one", 6,
                                    "", "session: Нет связи !!!", std::nullopt, std::nullopt};
        const QStringList lines = csvLines(sheet::visitsSheet({visit, failed}), russian());
        QCOMPARE(lines, QStringList({"Время;Станция;Заводской номер;Метка;Результат;Смещение "
                                     "часов, с;Энергия, кВт*ч",
                                     "10.12.2026 08:00:01;one;5;\"Дом; кв. 2\";ok;-3;1234,56",
                                     "10.12.2026 08:01:00;one;6;;session: Нет связи !!!;;"}));
    }
};

QTEST_GUILESS_MAIN(TstSheet)
#include "tst_sheet.moc"
