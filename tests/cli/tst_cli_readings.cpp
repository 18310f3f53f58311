// The reading commands of vilt-cli against the virtual meter server, and the archive
// listings without one: the numbers exact to the hundredth, what is stored where, and how
// a range of days, a silent meter and a file that is not an archive end.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include "support/cli_fixture.h"

using namespace vilt;
using test::compact;
using test::json;

namespace {

const QString kDefaultArchive = QStringLiteral("Counter_VILT3.db");

// The words of a day's profile as `set profile` takes them: the given ones first, then zeros.
QString profileHex(const QStringList& words) {
    return words.join(QString()) + QString((48 - words.size()) * 4, QLatin1Char('0'));
}

QStringList datesOf(const QJsonObject& listing) {
    QStringList dates;
    for (const QJsonValue day : listing["days"].toArray()) {
        const QJsonObject object = day.toObject();
        dates << object["date"].toString() +
                     (object.contains("factory")
                          ? QStringLiteral("/%1").arg(object["factory"].toInteger())
                          : QString());
    }
    return dates;
}

// The text of a PDF file, as pdftotext reads it, on one line.
QString pdfText(const QString& path) {
    QProcess process;
    process.start("pdftotext", {path, "-"});
    if (!process.waitForFinished(30000)) return QStringLiteral("pdftotext did not finish");
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

}  // namespace

// The archive is the default file in the test's folder unless a command names another; a
// listing runs without a meter and never opens a port.
class TstCliReadings : public QObject, private test::CliFixture {
    Q_OBJECT

    // The meter's clock decides which days hold a profile.
    void startMeter(const QString& clock = QStringLiteral("2010-03-05 12:00:00")) {
        CliFixture::startMeter({"--clock", clock});
    }

  private slots:
    void init() { makeFolder(); }
    void cleanup() { clear(); }

    // Totals are the exact sum: 16777217 hundredths is 167772.17, though a float cannot
    // hold it. Only models above 6 have reactive counters.
    void energyRead_data() {
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hundredths, a negative count, reactive")
            << "12345 -1 0 2147483647"
            << "7"
            << R"({"active":[123.45,-0.01,0,21474836.47,21474959.91],)"
               R"("reactive":[0.01,0.02,0.03,0.04,0.1],"months":{}})";
        QTest::newRow("exact total, no reactive counters")
            << "16777216 1 0 0"
            << "6"
            << R"({"active":[167772.16,0.01,0,0,167772.17],"reactive":null,"months":{}})";
    }
    void energyRead() {
        QFETCH(QString, active);
        QFETCH(QString, model);
        QFETCH(QString, expected);
        startMeter();
        QVERIFY(m_sim->control("set energy active " + active));
        QVERIFY(m_sim->control("set energy reactive 1 2 3 4"));
        QVERIFY(m_sim->control("set model " + model));
        const test::CliRun run = cli({"--json", "energy", "read"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expected);
        // Without --months nothing is stored, so no archive is made.
        QVERIFY(!QFile::exists(inDir(kDefaultArchive)));
    }

    void energyReadAsText() {
        startMeter();
        QVERIFY(m_sim->control("set energy active 12345 -1 0 0"));
        QVERIFY(m_sim->control("set energy reactive 100 0 0 0"));
        QVERIFY(m_sim->control("set month 3 123456 0 0 5"));
        const test::CliRun run = cli({"--no-store", "energy", "read", "--months"});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[0],
                 QStringLiteral("Актив, кВт*ч: Т1 123.45, Т2 -0.01, Т3 0, Т4 0, всего 123.44"));
        QCOMPARE(lines[1], QStringLiteral("Реактив, квар*ч: Т1 1, Т2 0, Т3 0, Т4 0, всего 1"));
        QCOMPARE(lines[4],
                 QStringLiteral("Конец месяца 3, кВт*ч: Т1 1234.56, Т2 0, Т3 0, Т4 0.05"));
    }

    // The reads as spreadsheet tables, here in the Russian conventions: the counters with the
    // month-end readings below them, a day's slices with their flags, the journals.
    void readsAsCsv() {
        startMeter();
        QVERIFY(m_sim->control("set energy active 12345 -1 0 0"));
        QVERIFY(m_sim->control("set month 3 123456 0 0 5"));
        QVERIFY(m_sim->control("set profile 2010-03-04 " + profileHex({"8000", "7FFF"})));
        QVERIFY(m_sim->control("set model 6"));  // no reactive counters
        const QByteArray before = qgetenv("LC_ALL");
        qputenv("LC_ALL", "ru_RU.UTF-8");
        const test::CliRun energy = cli({"--csv", "--no-store", "energy", "read", "--months"});
        const test::CliRun profile = cli({"--csv", "--no-store", "profile", "read", "2010-03-04"});
        const test::CliRun events = cli({"--csv", "events", "read"});
        qputenv("LC_ALL", before);

        QCOMPARE(energy.exitCode, 0);
        QVERIFY(energy.bytes.startsWith("\xEF\xBB\xBF"));
        QStringList lines = energy.out.split("\r\n");
        QCOMPARE(lines.size(), 2 + 1 + 1 + 12);
        QCOMPARE(lines[1], "Активная, кВт*ч;123,45;-0,01;0;0;123,44");
        QCOMPARE(lines[2], "");
        QCOMPARE(lines[3].left(22), "Заводской номер;Месяц;");
        QCOMPARE(lines[6], "12345;3;1234,56;0;0;0,05;;;;");

        QCOMPARE(profile.exitCode, 0);
        lines = profile.out.split("\r\n");
        QCOMPARE(lines.size(), 49);
        QCOMPARE(lines[1], "12345;04.03.2010;0;0:30;04.03.2010;0;Срез не целый");
        QCOMPARE(lines[2], "12345;04.03.2010;1;1:00;04.03.2010;327,67;Ок");

        QCOMPARE(events.exitCode, 0);
        QCOMPARE(events.out.split("\r\n").first(), "Журнал;№;Дата и время");
    }

    // The visit report: written with what was read and stored as any read is; a reading that
    // did not come is named in it and on standard error (exit 1); a file that cannot be
    // written or a wrong argument is a usage error.
    void visitReport() {
        startMeter();
        QVERIFY(m_sim->control("set profile 2010-03-04 " + profileHex({"8000", "7FFF"})));
        const QString pdf = inDir("visit.pdf");
        test::CliRun run = cli({"report", pdf, "--day", "2010-03-04"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, "Отчёт сохранён: " + pdf);
        QString text = pdfText(pdf);
        QVERIFY2(text.contains("Отчёт о посещении счетчика № 12345"), qPrintable(text));
        QVERIFY2(text.contains("Профиль мощности за 04.03.2010"), qPrintable(text));
        QVERIFY2(text.contains("срезов не целых: 1"), qPrintable(text));
        QCOMPARE(here({"--json", "archive", "profiles"}).exitCode, 0);
        QCOMPARE(datesOf(json(here({"--json", "archive", "profiles"}).out)),
                 QStringList{"2010-03-04/12345"});

        QVERIFY(m_sim->control("fault 14 silent"));  // the journals do not answer
        run = cli({"report", pdf, "--day", "2010-03-04"});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith("события: "), qPrintable(run.err));
        text = pdfText(pdf);
        QVERIFY2(text.contains("Журналы событий Не прочитано"), qPrintable(text));

        QCOMPARE(cli({"report", inDir("missing/visit.pdf"), "--day", "2010-03-04"}).exitCode, 2);
        QCOMPARE(cli({"report", pdf, "--day", "04.03.2010"}).exitCode, 2);
        QCOMPARE(cli({"report"}).exitCode, 2);
    }

    // --months stores the twelve month-end readings in the archive, in the current folder
    // by default, under the session's factory number; --no-store reads them all the same.
    void monthsStored() {
        startMeter();
        QVERIFY(m_sim->control("set month 3 123456 0 -1 2147483647"));
        test::CliRun run = cli({"--json", "--no-store", "energy", "read", "--months"});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject read = json(run.out);
        QCOMPARE(read["months"].toObject().size(), 12);
        QCOMPARE(compact(read["months"]["3"]), QByteArray("[1234.56,0,-0.01,21474836.47]"));
        QVERIFY(!QFile::exists(inDir(kDefaultArchive)));

        run = cli({"energy", "read", "--months"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFile::exists(inDir(kDefaultArchive)));
        run = here({"--json", "archive", "months", "--factory", "12345"});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray rows = json(run.out)["rows"].toArray();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0]["factory"].toInteger(), 12345);
        QCOMPARE(compact(rows[0]["months"]["3"]), QByteArray("[1234.56,0,-0.01,21474836.47]"));
        // The reactive month-end columns are never written: null in JSON, 0 in text.
        QCOMPARE(compact(rows[0]["reactive"]["12"]), QByteArray("[null,null,null,null]"));
        run = here({"archive", "months"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QRegularExpression(
                     "Месяц  3: +1234.56 +0 +-0.01 +21474836.47 \\| +0 +0 +0 +0\n")),
                 qPrintable(run.out));
        QCOMPARE(json(here({"--json", "archive", "months", "--factory", "1"}).out),
                 json(R"({"rows":[]})"));
    }

    // An archive that refuses the month-end row: what was read is printed all the same,
    // then the archive's reason, and the archive's exit status.
    void refusedMonthStillPrinted() {
        startMeter();
        QVERIFY(m_sim->control("set month 1 4200 0 0 0"));
        QCOMPARE(cli({"profile", "read", "2010-03-04"}).exitCode, 0);  // makes the archive
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other program");
            db.setDatabaseName(inDir(kDefaultArchive));
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("CREATE TRIGGER refuse BEFORE INSERT ON \"12_month\" "
                               "BEGIN SELECT RAISE(ABORT, 'disk says no'); END"));
            db.close();
        }
        QSqlDatabase::removeDatabase("other program");
        const test::CliRun run = cli({"energy", "read", "--months"});
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.out.contains("Конец месяца 1, кВт*ч: Т1 42"), qPrintable(run.out));
        QVERIFY2(run.err.contains("disk says no"), qPrintable(run.err));
    }

    // The flag bit never counts; slot 47 ends at 0:00 of the next day.
    void profileOfOneDay() {
        startMeter();
        QVERIFY(m_sim->control("set profile 2010-03-04 " +
                               profileHex({"8000", "7FFF", "0096", "0001"})));
        test::CliRun run = cli({"--json", "profile", "read", "2010-03-04"});
        QCOMPARE(run.err, QStringLiteral("2010-03-04: 48 срезов"));
        QCOMPARE(run.exitCode, 0);
        const QJsonArray days = json(run.out)["days"].toArray();
        QCOMPARE(days.size(), 1);
        QCOMPARE(days[0]["date"].toString(), QStringLiteral("2010-03-04"));
        const QJsonArray slices = days[0]["slots"].toArray();
        QCOMPARE(slices.size(), 48);
        QCOMPARE(compact(QJsonArray{slices[0], slices[1], slices[2], slices[3]}),
                 QByteArray(R"([{"complete":false,"end":"0:30:00","k":0,"value":0},)"
                            R"({"complete":true,"end":"1:00:00","k":1,"value":327.67},)"
                            R"({"complete":true,"end":"1:30:00","k":2,"value":1.5},)"
                            R"({"complete":true,"end":"2:00:00","k":3,"value":0.01}])"));
        QCOMPARE(compact(slices[47]),
                 QByteArray(R"({"complete":true,"end":"0:00:00","k":47,"value":0})"));
        QVERIFY(run.out.contains(R"("value":327.67,)"));  // written as is, no float noise

        run = cli({"profile", "read", "2010-03-04"});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.size(), 49);
        QCOMPARE(lines[1], QStringLiteral(" 0  0:30:00 04.03.2010         0  Срез не целый"));
        QCOMPARE(lines[2], QStringLiteral(" 1  1:00:00 04.03.2010    327.67  Ок"));
        QCOMPARE(lines[48], QStringLiteral("47  0:00:00 05.03.2010         0  Ок"));

        // Stored once under the day and the session's number, the values without the flag.
        run = here({"--json", "archive", "profiles"});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject stored = json(run.out);
        QCOMPARE(datesOf(stored), QStringList{"2010-03-04/12345"});
        QCOMPARE(compact(stored["days"][0]["slots"][2]),
                 QByteArray(R"({"end":"1:30:00","k":2,"value":1.5})"));
    }

    // A day without a profile, in whichever reply the meter says so, is told and the range
    // goes on; the days read are stored.
    void rangeWithAnAbsentDay_data() {
        QTest::addColumn<QString>("shape");
        QTest::newRow("short reply") << "none";
        QTest::newRow("long reply with the mark") << "absent105";
        QTest::newRow("short reply without the mark") << "odd8";
    }
    void rangeWithAnAbsentDay() {
        QFETCH(QString, shape);
        startMeter();
        QVERIFY(m_sim->control("set profile 2010-03-03 " + shape));
        const test::CliRun run = cli({"--json", "profile", "read", "2010-03-02", "2010-03-04"});
        QCOMPARE(run.err, QStringLiteral("2010-03-02: 48 срезов\n"
                                         "2010-03-03: Срезы отсутствуют!\n"
                                         "2010-03-04: 48 срезов"));
        QCOMPARE(run.exitCode, 0);
        const QJsonArray days = json(run.out)["days"].toArray();
        QCOMPARE(days.size(), 3);
        QCOMPARE(compact(days[1]), QByteArray(R"({"absent":true,"date":"2010-03-03"})"));
        QCOMPARE(days[2]["slots"].toArray().size(), 48);
        QCOMPARE(datesOf(json(here({"--json", "archive", "profiles"}).out)),
                 (QStringList{"2010-03-02/12345", "2010-03-04/12345"}));
    }

    void rangeWithoutAProfile() {
        startMeter();  // holds 62 days before 2010-03-05
        const test::CliRun run = cli({"profile", "read", "2009-12-30", "2010-01-01"});
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, QString());
        QVERIFY(run.err.startsWith("2009-12-30: Срезы отсутствуют!\n"));
        QVERIFY(run.err.endsWith("2010-01-01: Срезы отсутствуют!\nСрезы отсутствуют!"));
        QCOMPARE(here({"--json", "archive", "profiles"}).out, QStringLiteral(R"({"days":[]})"));
    }

    // Across a month and a year end: the days in order, slot 47 of the last day of the year
    // labelled with the new year's first day, the row kept under its own day.
    void rangeAcrossTheYearEnd() {
        startMeter("2011-01-10 12:00:00");
        test::CliRun run = cli({"--json", "profile", "read", "2010-12-30", "2011-01-01"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(datesOf(json(run.out)), (QStringList{"2010-12-30", "2010-12-31", "2011-01-01"}));
        run = cli({"--no-store", "profile", "read", "2010-12-31"});
        QVERIFY2(run.out.contains(QRegularExpression("\n47  0:00:00 01\\.01\\.2011 +[0-9.]+  Ок")),
                 qPrintable(run.out));
        run = here({"--json", "archive", "profiles", "--from", "2010-12-31", "--to", "2010-12-31"});
        QCOMPARE(datesOf(json(run.out)), QStringList{"2010-12-31/12345"});
    }

    // A read is tried three times; a day still without link ends the range at once (the
    // line is taken to be gone), as does a meter that does not answer at all.
    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::addColumn<bool>("printed");  // what was read is on standard output
        QTest::newRow("profile: two replies lost")
            << "18 silent 0 2" << QStringList{"profile", "read", "2010-03-04"} << 0
            << "2010-03-04: 48 срезов" << true;
        QTest::newRow("profile: the line gone")
            << "18 silent" << QStringList{"profile", "read", "2010-03-02", "2010-03-04"} << 1
            << "2010-03-02: Нет связи !!!" << false;
        QTest::newRow("energy: counters lost")
            << "12 crc" << QStringList{"energy", "read"} << 1 << "Нет связи !!!" << false;
        // The reactive read succeeds after the three active ones failed: no active row.
        QTest::newRow("energy: the active counters lost")
            << "12 silent 0 3" << QStringList{"energy", "read"} << 1 << "Нет связи !!!" << false;
        // A month-end reading still without link after three attempts ends the month reads
        // and fails the command; the counters are read and shown.
        QTest::newRow("energy: the month-end readings lost")
            << "16 silent" << QStringList{"--no-store", "energy", "read", "--months"} << 1
            << "Не прочитаны месяцы: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12" << true;
        QTest::newRow("energy: a month read on its third attempt")
            << "16 silent 0 2" << QStringList{"--no-store", "energy", "read", "--months"} << 0
            << "" << true;
        QTest::newRow("tariff: a season without link ends the read")
            << "06 silent" << QStringList{"tariff", "read", "t.tar"} << 1
            << "Не прочитаны сезоны: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\nНет связи !!!\n"
               "Файл «t.tar» не записан."
            << false;
        QTest::newRow("a silent meter")
            << "all silent" << QStringList{"profile", "read", "2010-03-04"} << 1
            << "Нет связи       (принято не то количество байт)" << false;
    }
    void failures() {
        QFETCH(QString, fault);
        QFETCH(QStringList, command);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QFETCH(bool, printed);
        startMeter();
        QVERIFY(m_sim->control("fault " + fault));
        const test::CliRun run = cli(command);
        QCOMPARE(run.err, err);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(!run.out.isEmpty(), printed);
    }

    // The archive is opened before the port: a file that is not one ends the command with
    // exit 5 and is left as it was, with no port touched; a listing makes no archive.
    void notAnArchive_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("err");
        const QString text = "not.db";
        const QString notOne = "не является архивом";
        QTest::newRow("energy") << text << QStringList{"energy", "read", "--months"} << notOne;
        QTest::newRow("profile") << text << QStringList{"profile", "read", "2010-03-04"} << notOne;
        QTest::newRow("listing profiles") << text << QStringList{"archive", "profiles"} << notOne;
        QTest::newRow("listing months") << text << QStringList{"archive", "months"} << notOne;
        QTest::newRow("listing a missing file")
            << "missing.db" << QStringList{"archive", "profiles"} << "не найден";
        QTest::newRow("missing folder")
            << "no/such.db" << QStringList{"profile", "read", "2010-03-04"} << "нет папки";
    }
    void notAnArchive() {
        QFETCH(QString, file);
        QFETCH(QStringList, command);
        QFETCH(QString, err);
        const QByteArray content("meter readings, 2010\n");
        QFile text(inDir("not.db"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(content);
        text.close();
        const test::CliRun run = here(QStringList{"--archive", file} + command);
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(text.readAll(), content);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"not.db"});
    }

    // Rows of two meters and one another program wrote in part; each listing needs no meter.
    void archiveListings_data() {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all") << QStringList{}
                             << QStringList{"2010-03-02/12345", "2010-03-03/12345",
                                            "2010-03-03/777", "2010-03-01/5"};
        QTest::newRow("one meter")
            << QStringList{"--factory", "777"} << QStringList{"2010-03-03/777"};
        QTest::newRow("from") << QStringList{"--from", "2010-03-03"}
                              << QStringList{"2010-03-03/12345", "2010-03-03/777"};
        QTest::newRow("to") << QStringList{"--to", "2010-03-02"}
                            << QStringList{"2010-03-02/12345", "2010-03-01/5"};
        QTest::newRow("all three")
            << QStringList{"--to", "2010-03-03", "--factory", "12345", "--from", "2010-03-03"}
            << QStringList{"2010-03-03/12345"};
        QTest::newRow("nothing") << QStringList{"--factory", "12346"} << QStringList{};
    }
    void archiveListings() {
        QFETCH(QStringList, filter);
        QFETCH(QStringList, expected);
        startMeter();
        QCOMPARE(cli({"profile", "read", "2010-03-02", "2010-03-03"}).exitCode, 0);
        QVERIFY(m_sim->control("set factory 777"));
        const test::CliRun other = test::runCliIn(
            m_dir->path(), {"--port", m_sim->slavePath(), "--timeout", "60", "--mode", "factory",
                            "--factory", "777", "profile", "read", "2010-03-03"});
        QCOMPARE(other.exitCode, 0);
        m_sim.reset();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other program");
            db.setDatabaseName(inDir(kDefaultArchive));
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(
                "INSERT INTO srez (Data, Zav_N, s0, s1) VALUES ('2010-03-01', 5, 1.5, 0.125)"));
            db.close();
        }
        QSqlDatabase::removeDatabase("other program");

        test::CliRun run = here(QStringList{"--json", "archive", "profiles"} + filter);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(datesOf(json(run.out)), expected);
        if (!filter.isEmpty()) return;

        // Columns never written are null, a value with more decimals keeps them.
        const QJsonObject listing = json(run.out);
        const QJsonArray slices = listing["days"][3]["slots"].toArray();
        QCOMPARE(slices[0]["value"].toDouble(), 1.5);
        QVERIFY(run.out.contains(R"({"k":1,"end":"1:00:00","value":0.125})"));
        QVERIFY(slices[2]["value"].isNull());
        QVERIFY(slices[47]["value"].isNull());
        run = here({"archive", "profiles", "--factory", "5"});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.size(), 49);
        QCOMPARE(lines[0], QStringLiteral("Срезы за 01.03.2010, заводской номер 5, кВт*ч:"));
        QCOMPARE(lines[2], QStringLiteral(" 1  1:00:00 01.03.2010     0.125"));
        QCOMPARE(lines[3], QStringLiteral(" 2  1:30:00 01.03.2010         0"));
    }

    // Wrong arguments are told before any port or archive is touched.
    void badArguments_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("no day") << QStringList{"profile", "read"};
        QTest::newRow("no such day") << QStringList{"profile", "read", "2010-02-29"};
        QTest::newRow("day not in full") << QStringList{"profile", "read", "2010-3-05"};
        QTest::newRow("year the meter cannot name") << QStringList{"profile", "read", "1999-12-31"};
        QTest::newRow("TO before FROM")
            << QStringList{"profile", "read", "2010-03-05", "2010-03-04"};
        QTest::newRow("longer than 366 days")
            << QStringList{"profile", "read", "2010-01-01", "2011-01-02"};
        QTest::newRow("three days")
            << QStringList{"profile", "read", "2010-03-01", "2010-03-02", "2010-03-03"};
        QTest::newRow("energy flag") << QStringList{"energy", "read", "--month"};
        QTest::newRow("listing date") << QStringList{"archive", "profiles", "--from", "2010-13-01"};
        QTest::newRow("listing number") << QStringList{"archive", "profiles", "--factory", "-1"};
        QTest::newRow("listing number too big")
            << QStringList{"archive", "months", "--factory", "16777216"};
        QTest::newRow("listing --to before --from")
            << QStringList{"archive", "profiles", "--from", "2010-03-02", "--to", "2010-03-01"};
        QTest::newRow("listing value missing") << QStringList{"archive", "profiles", "--to"};
        QTest::newRow("months by day") << QStringList{"archive", "months", "--from", "2010-03-01"};
        QTest::newRow("archive path empty") << QStringList{"--archive=", "archive", "months"};
    }
    void badArguments() {
        QFETCH(QStringList, command);
        const test::CliRun run = here(command);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QVERIFY2(!run.err.contains("Ошибка открытия порта"), qPrintable(run.err));
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliReadings)
#include "tst_cli_readings.moc"
