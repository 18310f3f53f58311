// vilt-cli tariff read, write, show and verify against the virtual meter server: the bytes
// of the tariff file and of the meter's zone maps and calendar, the differences verify
// lists, and files refused before any port is opened.

#include <QtTest>

#include "support/cli_fixture.h"

using namespace vilt;
using test::compact;
using test::json;

namespace {

constexpr int kBlock = 74;
constexpr int kSchedule = 888;
enum Day { Working = 0, Saturday = 1, Holiday = 2 };

// The file offset of a zone slot: season n's block at 74 × (n − 1), the slots from +2.
int slotAt(int season, Day day, int hour) {
    return kBlock * (season - 1) + 2 + 24 * day + hour;
}

// Every season n ending on 31.n, all hours on T1, no special days: written out by hand.
QByteArray defaultSchedule() {
    QByteArray bytes;
    for (int n = 1; n <= 12; ++n) {
        bytes += char(31);
        bytes += char(n);
        bytes += QByteArray(72, 0);
    }
    return bytes;
}

struct SpecialDay {
    int day, month, type;
};

// "7.01/1": the 7th of January, type 1 (holiday).
SpecialDay parseDay(const QString& text) {
    const QStringList parts = text.split(QRegularExpression("[./]"));
    return {parts[0].toInt(), parts[1].toInt(), parts[2].toInt()};
}

// A tariff file: the default schedule with slots set (offset, tariff index, …), then the
// special days.
QByteArray tariffFile(const QList<int>& slotValues, const QStringList& days) {
    QByteArray bytes = defaultSchedule();
    for (qsizetype i = 0; i + 1 < slotValues.size(); i += 2)
        bytes[slotValues[i]] = char(slotValues[i + 1]);
    for (const QString& text : days) {
        const SpecialDay d = parseDay(text);
        bytes += char(d.day);
        bytes += char(d.month);
        bytes += char(d.type);
    }
    return bytes;
}

int bcd(int value) {
    return (value / 10) * 16 + value % 10;
}

// The meter's 24 calendar records as `set calendar` takes them and `get calendar` shows them.
QString calendarHex(const QStringList& days) {
    QString hex;
    for (const QString& text : days.mid(0, 24)) {
        const SpecialDay d = parseDay(text);
        hex += QStringLiteral("%1%2")
                   .arg(bcd(d.month) + 64 * d.type, 2, 16, QLatin1Char('0'))
                   .arg(bcd(d.day), 2, 16, QLatin1Char('0'));
    }
    return (hex + QString(96 - hex.size(), QLatin1Char('0'))).toUpper();
}

// n special days, the 1st to the nth of March, holidays.
QStringList marchDays(int n) {
    QStringList days;
    for (int d = 1; d <= n; ++d) days << QStringLiteral("%1.03/1").arg(d);
    return days;
}

}  // namespace

class TstCliTariff : public QObject, private test::CliFixture {
    Q_OBJECT

    // The meter's zone maps and calendar as hex in capitals, as the expected values are.
    QString meter(const QString& what) const { return CliFixture::meter(what).toUpper(); }
    void setMeter(const QString& line) {
        QVERIFY2(m_sim->control("set " + line), qPrintable(line));
    }

    static void put(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return "(none)";
        return file.readAll();
    }

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    // The file holds what the meter holds, the end dates the defaults: slots unpacked one
    // byte an hour at their offsets, the special days after the seasons.
    void readIntoFile_data() {
        QTest::addColumn<QStringList>("meterState");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("a meter as it starts") << QStringList{} << defaultSchedule();
        // Season 2: working day hour 1 on T3, hour 23 on T2, Saturday hour 0 on T4.
        QTest::newRow("zones and special days")
            << QStringList{"zones 2 200000000001C00000000000000000000000",
                           "calendar " + calendarHex({"7.01/1", "25.12/0"})}
            << tariffFile(
                   {slotAt(2, Working, 1), 2, slotAt(2, Working, 23), 1, slotAt(2, Saturday, 0), 3},
                   {"7.01/1", "25.12/0"});
        // Every day the meter holds reaches the file, an empty record before it or not.
        QTest::newRow("an empty record between two days")
            << QStringList{"calendar 4107000012250000" + QString(80, QLatin1Char('0'))}
            << tariffFile({}, {"7.01/1", "25.12/0"});
    }
    void readIntoFile() {
        QFETCH(QStringList, meterState);
        QFETCH(QByteArray, expected);
        startMeter();
        for (const QString& line : meterState) setMeter(line);
        const QString file = inDir("meter.tar");
        put(file, "an older file");
        const test::CliRun run = cli({"tariff", "read", file});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        const QByteArray bytes = contents(file);
        QCOMPARE(bytes.size(), expected.size());
        QCOMPARE(bytes.toHex(), expected.toHex());
    }

    // The packed zone maps and all 24 calendar records arrive; records past the file's list
    // are emptied, and a list longer than the meter's calendar is cut with a note.
    void writeFromFile_data() {
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QString>("note");
        QTest::newRow("two days") << QStringList{"7.01/1", "25.12/0"} << QString();
        QTest::newRow("no days") << QStringList{} << QString();
        QTest::newRow("26 days") << marchDays(26)
                                 << "Счётчик хранит 24 нестандартных дня: дни 25-26 файла не "
                                    "передаются.";
    }
    void writeFromFile() {
        QFETCH(QStringList, days);
        QFETCH(QString, note);
        startMeter();
        setMeter("calendar " + calendarHex(marchDays(24)));
        setMeter("zones 12 FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
        const QString file = inDir("schedule.tar");
        put(file, tariffFile({slotAt(2, Working, 1), 2, slotAt(2, Working, 23), 1,
                              slotAt(2, Saturday, 0), 3, slotAt(12, Holiday, 23), 3},
                             days));
        const test::CliRun run = cli({"tariff", "write", file});
        QCOMPARE(run.err, note);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(meter("zones 1"), QString(36, QLatin1Char('0')));
        QCOMPARE(meter("zones 2"), QStringLiteral("200000000001C00000000000000000000000"));
        QCOMPARE(meter("zones 12"), QStringLiteral("000000000000000000000000000000000003"));
        QCOMPARE(meter("calendar"), calendarHex(days));
    }

    void show() {
        const QString file = inDir("small.tar");
        QByteArray bytes = tariffFile(
            {slotAt(1, Working, 0), 1, slotAt(1, Saturday, 23), 3, slotAt(12, Holiday, 12), 2},
            {"7.01/1", "25.12/0", "9.05/2"});
        bytes[0] = char(15);  // season 1 ends on 15.02
        bytes[1] = char(2);
        put(file, bytes);

        test::CliRun run = here({"tariff", "show", file});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.size(), 2 + 12 * 4 + 1 + 3);
        QCOMPARE(lines.mid(0, 6),
                 (QStringList{"Час               000000000011111111112222",
                              "                  012345678901234567890123", "Сезон 1 (до 15.02)",
                              "  Рабочий день    211111111111111111111111",
                              "  Суббота         111111111111111111111114",
                              "  Воскр. и празд. 111111111111111111111111"}));
        QCOMPARE(lines[6], QStringLiteral("Сезон 2 (до 31.02)"));
        QCOMPARE(lines[49], QStringLiteral("  Воскр. и празд. 111111111111311111111111"));
        QCOMPARE(lines.mid(50), (QStringList{"Нестандартные дни: 3", "  7.01 Праздник",
                                             "  25.12 Рабочий", "  9.05 тип 2"}));

        run = here({"--json", "tariff", "show", file});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject document = json(run.out);
        const QJsonArray seasons = document["seasons"].toArray();
        QCOMPARE(seasons.size(), 12);
        const auto hours = [](int hour, int tariff) {
            QJsonArray tariffs;
            for (int h = 0; h < 24; ++h) tariffs << (h == hour ? tariff : 1);
            return tariffs;
        };
        QCOMPARE(seasons[0]["season"].toInt(), 1);
        QCOMPARE(seasons[0]["end"].toObject(), (QJsonObject{{"day", 15}, {"month", 2}}));
        QCOMPARE(seasons[0]["working"].toArray(), hours(0, 2));
        QCOMPARE(seasons[0]["saturday"].toArray(), hours(23, 4));
        QCOMPARE(seasons[0]["holiday"].toArray(), hours(-1, 1));
        QCOMPARE(seasons[11]["end"].toObject(), (QJsonObject{{"day", 31}, {"month", 12}}));
        QCOMPARE(seasons[11]["holiday"][12].toInt(), 3);
        QCOMPARE(compact(document["special_days"]),
                 QByteArray(R"([{"day":7,"month":1,"type":1},{"day":25,"month":12,"type":0},)"
                            R"({"day":9,"month":5,"type":2}])"));
    }

    // The meter holds season 3 with Saturday hour 5 on T2 and two special days; the file
    // differs from it as each row says.
    void verify_data() {
        QTest::addColumn<QStringList>("meterDays");
        QTest::addColumn<QList<int>>("fileSlots");
        QTest::addColumn<QStringList>("fileDays");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        const QStringList held{"7.01/1", "8.03/0"};
        const QList<int> same{slotAt(3, Saturday, 5), 1};
        const QString equal = "Счётчик совпадает с файлом.";
        QTest::newRow("equal") << held << same << held << 0 << QStringList{equal};
        // The end dates never reach the meter.
        QTest::newRow("another end date")
            << held << QList<int>{slotAt(3, Saturday, 5), 1, kBlock * 2, 15} << held << 0
            << QStringList{equal};
        QTest::newRow("one slot and one special day")
            << held << QList<int>{slotAt(3, Saturday, 5), 2} << QStringList{"7.01/1", "8.03/1"} << 4
            << QStringList{"Сезон 3, Суббота, час 5: в файле T3, в счётчике T2",
                           "Нестандартный день 8.03: в файле Праздник, в счётчике Рабочий",
                           "Отличий: 2"};
        QTest::newRow("a day missing, one added, hours on both ends")
            << held << QList<int>{slotAt(1, Working, 0), 3, slotAt(12, Holiday, 23), 1}
            << QStringList{"1.05/1", "7.01/1"} << 4
            << QStringList{"Сезон 1, Рабочий день, час 0: в файле T4, в счётчике T1",
                           "Сезон 3, Суббота, час 5: в файле T1, в счётчике T2",
                           "Сезон 12, Воскр. и празд., час 23: в файле T2, в счётчике T1",
                           "Нестандартный день 1.05: в файле Праздник, нет в счётчике",
                           "Нестандартный день 8.03: в счётчике Рабочий, нет в файле",
                           "Отличий: 5"};
        QTest::newRow("the same days in another order")
            << held << same << QStringList{"8.03/0", "7.01/1"} << 0
            << QStringList{"Примечание: нестандартные дни те же, в другом порядке.", equal};
        QTest::newRow("a date twice, once of another type")
            << QStringList{"7.01/1", "7.01/1"} << same << QStringList{"7.01/0", "7.01/1"} << 4
            << QStringList{"Нестандартный день 7.01: в файле Рабочий, в счётчике Праздник",
                           "Отличий: 1"};
        // Only the first 24 of the file's list are compared: the meter holds no more.
        QTest::newRow("more days than the meter holds")
            << marchDays(24) << same << marchDays(26) << 0
            << QStringList{
                   "Примечание: в файле 26 нестандартных дней, счётчик хранит 24; "
                   "сравнены первые 24.",
                   equal};
        QTest::newRow("the 24th day differs, the 25th is not compared")
            << marchDays(24) << same << marchDays(23) + QStringList{"31.12/1", "24.03/1"} << 4
            << QStringList{"Нестандартный день 31.12: в файле Праздник, нет в счётчике",
                           "Нестандартный день 24.03: в счётчике Праздник, нет в файле",
                           "Примечание: в файле 25 нестандартных дней, счётчик хранит 24; "
                           "сравнены первые 24.",
                           "Отличий: 2"};
    }
    void verify() {
        QFETCH(QStringList, meterDays);
        QFETCH(QList<int>, fileSlots);
        QFETCH(QStringList, fileDays);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        startMeter();
        setMeter("zones 3 000000000000001000000000000000000000");
        setMeter("calendar " + calendarHex(meterDays));
        const QString file = inDir("expected.tar");
        put(file, tariffFile(fileSlots, fileDays));
        const test::CliRun run = cli({"tariff", "verify", file});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out.split('\n'), lines);
        QCOMPARE(run.exitCode, exitCode);
    }

    void verifyAsJson() {
        startMeter();
        setMeter("calendar " + calendarHex({"7.01/1", "8.03/0"}));
        const QString file = inDir("expected.tar");
        put(file, tariffFile({slotAt(2, Holiday, 7), 3}, {"7.01/0", "9.05/1"}));
        const test::CliRun run = cli({"--json", "tariff", "verify", file});
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(
            compact(json(run.out)),
            QByteArray(
                R"({"equal":false,"not_compared":0,"other_order":false,"special_days":[)"
                R"({"change":"type","day":7,"file":0,"meter":1,"month":1},)"
                R"({"change":"missing","day":9,"file":1,"meter":null,"month":5},)"
                R"({"change":"added","day":8,"file":null,"meter":0,"month":3}],)"
                R"("zones":[{"day_type":"holiday","file":4,"hour":7,"meter":1,"season":2}]})"));
    }

    // A file that cannot be taken is refused before the port is opened: no trace file is
    // begun, the meter keeps its schedule, and nothing is printed on standard output.
    void badFileRefused_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("err");
        const QString damaged = "Файл тарифов повреждён!";
        QByteArray slotFour = tariffFile({slotAt(5, Saturday, 10), 4}, {});
        QByteArray endMonth13 = defaultSchedule();
        endMonth13[kBlock + 1] = char(13);
        for (const QString command : {"write", "verify", "show"}) {
            const auto row = [&](const char* name) {
                return &(QTest::newRow(qPrintable(command + ": " + name)) << command);
            };
            *row("one byte short") << defaultSchedule().chopped(1) << damaged;
            *row("a special day cut short") << tariffFile({}, {"7.01/1"}).chopped(1) << damaged;
            *row("slot value 4") << slotFour << damaged;
            *row("end month 13") << endMonth13 << damaged;
            *row("special day of type 4") << tariffFile({}, {"7.01/4"}) << damaged;
            *row("31 special days") << tariffFile({}, marchDays(31)) << damaged;
            *row("missing file") << QByteArray() << "ошибка открытия файла";
        }
    }
    void badFileRefused() {
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, err);
        startMeter();
        setMeter("zones 5 555555555555555555555555555555555555");
        const QString file = inDir("bad.tar");
        if (!bytes.isEmpty()) put(file, bytes);
        const QString trace = inDir("trace.txt");
        const test::CliRun run = cli({"--trace-file", trace, "tariff", command, file});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QVERIFY(!QFile::exists(trace));
        QCOMPARE(meter("zones 5"), QStringLiteral("555555555555555555555555555555555555"));
        if (!bytes.isEmpty()) QCOMPARE(contents(file), bytes);
    }

    // Where a read cannot save, it is told before the port is opened.
    void readToNowhere_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("err");
        QTest::newRow("no such folder") << "no/such/folder/meter.tar"
                                        << "no folder";
        QTest::newRow("a folder") << "."
                                  << "is a folder";
        QTest::newRow("no name") << ""
                                 << "no tariff file named";
    }
    void readToNowhere() {
        QFETCH(QString, path);
        QFETCH(QString, err);
        startMeter();
        const QString trace = inDir("trace.txt");
        const test::CliRun run = cli({"--trace-file", trace, "tariff", "read", path});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY(!QFile::exists(trace));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{});
    }

    // A read that falls short saves nothing: the file keeps what it held, whether the
    // calendar or a season was lost (a partly read schedule would pass for the meter's).
    // A failed verify is a failed read; a write whose calendar is refused sends no zone map,
    // and a write names what the meter did not confirm.
    void meterFailures_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("err");
        QTest::addColumn<bool>("meterKept");  // the meter's zone maps as they were
        const QString noLink = "Нет связи !!!";
        const QString notSaved = "не записан.";
        QTest::newRow("read: a silent meter")
            << "read"
            << "fault all silent" << QStringList{"Нет связи       (принято не то количество байт)"} << true;
        QTest::newRow("read: the calendar lost")
            << "read"
            << "fault 02 silent" << QStringList{noLink, notSaved} << true;
        QTest::newRow("read: a calendar record that is no date")
            << "read"
            << "set calendar 413A" + QString(92, QLatin1Char('0'))
            << QStringList{"Календарь счётчика повреждён: запись 1 (41 3A) не дата", notSaved}
            << true;
        QTest::newRow("read: season 1 lost")
            << "read"
            << "fault 06 silent 0 3" << QStringList{"Не прочитаны сезоны: 1", noLink, notSaved}
            << true;
        QTest::newRow("verify: a season lost")
            << "verify"
            << "fault 06 crc 0 3" << QStringList{"Не прочитаны сезоны: 1", noLink} << true;
        QTest::newRow("write: the calendar refused")
            << "write"
            << "fault 03 ack" << QStringList{"Календарь не записан", noLink} << true;
        QTest::newRow("write: season 2 unconfirmed")
            << "write"
            << "fault 07 silent 0 2" << QStringList{"Не записаны сезоны: 1, 2", noLink} << false;
    }
    void meterFailures() {
        QFETCH(QString, command);
        QFETCH(QString, fault);
        QFETCH(QStringList, err);
        QFETCH(bool, meterKept);
        startMeter();
        setMeter("zones 1 555555555555555555555555555555555555");
        QVERIFY(m_sim->control(fault));
        const QString file = inDir("kept.tar");
        const QByteArray kept = tariffFile({slotAt(1, Working, 0), 3}, {"7.01/1"});
        put(file, kept);
        const test::CliRun run = cli({"tariff", command, file});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        const QStringList lines = run.err.split('\n');
        QCOMPARE(lines.size(), err.size());
        for (qsizetype i = 0; i < err.size(); ++i)
            QVERIFY2(lines[i].contains(err[i]), qPrintable(run.err));
        QCOMPARE(contents(file), kept);
        QVERIFY(m_sim->control("clear"));
        if (meterKept)
            QCOMPARE(meter("zones 1"), QStringLiteral("555555555555555555555555555555555555"));
    }
};

QTEST_GUILESS_MAIN(TstCliTariff)
#include "tst_cli_tariff.moc"
