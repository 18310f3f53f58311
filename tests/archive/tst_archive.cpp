// The archive on both engines, one table of cases: made or refused at open, the
// store-or-create rule with its exact statements and its transaction, stores of several
// programs at once, the browse of both tables and the listings. Each case runs on a file and
// on the test server (a fresh schema each); without a server the server's rows are skipped.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <barrier>
#include <latch>
#include <thread>

#include "archive/archive.h"
#include "support/archive_values.h"
#include "support/archive_places.h"

using namespace vilt;
using archive::Archive;
using archive::StoreStatus;
using test::Engine;

using test::Slots;
using test::slotValues;
using test::stored;

namespace {

// srez as the archive has it, alone, in SQL both engines take.
QString srezTable() {
    QStringList columns{"Data DATE", "Zav_N INTEGER"};
    for (int k = 0; k < link::kProfileSlotCount; ++k) columns << QStringLiteral("s%1 REAL").arg(k);
    return QStringLiteral("CREATE TABLE srez (%1)").arg(columns.join(", "));
}

QString monthTable() {
    QStringList columns{"Zav_N INTEGER"};
    for (const char* kind : {"m", "rm"})
        for (int m = 1; m <= 12; ++m)
            for (int t = 1; t <= 4; ++t)
                columns << QStringLiteral("%1%2t%3 REAL").arg(kind).arg(m).arg(t);
    return QStringLiteral("CREATE TABLE \"12_month\" (%1)").arg(columns.join(", "));
}

const Engine kEngines[] = {Engine::Sqlite, Engine::Postgres};

// The engine column with one row per engine, for a test without cases of its own.
void eachEngine() {
    QTest::addColumn<Engine>("engine");
    for (Engine engine : kEngines) QTest::newRow(qPrintable(test::engineName(engine))) << engine;
}

// A row of case name on an engine; the engine column is the table's first.
QTestData& row(Engine engine, const char* name) {
    return QTest::addRow("%s: %s", qPrintable(test::engineName(engine)), name) << engine;
}

}  // namespace

class TstArchive : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ArchivePlaces> places_;
    QString place_;

    bool onServer() const { return places_->engine() == Engine::Postgres; }

    std::unique_ptr<Archive> open() {
        QString error;
        auto archive = Archive::open(place_, &error);
        if (!archive) qWarning("open: %s", qPrintable(error));
        return archive;
    }
    std::unique_ptr<test::Raw> raw() const { return places_->raw(place_); }

    // Rows of srez numbered by their day: day n is 2024-01-0n, with the given numbers.
    void seedProfiles(const QList<qint64>& numbers) {
        auto archive = open();
        QVERIFY(archive);
        test::seedProfiles(*archive, numbers);
    }

    static QString shownDay(const std::optional<archive::ProfileRow>& row) {
        return row ? QString::number(row->day.day()) : QStringLiteral("-");
    }

  private slots:
    void init() {
        QFETCH(Engine, engine);
        if (engine == Engine::Postgres && test::serverUrl().isEmpty()) QSKIP(test::kNoServer);
        places_ = std::make_unique<test::ArchivePlaces>(engine);
        place_ = places_->fresh(archive::kDefaultFile);
    }
    void cleanup() {
        places_.reset();
        QLocale::setDefault(QLocale::c());
    }

    // A new place gets the tables, with the file's columns on both engines (the server's
    // spelled in lower case, with its order column last). An empty file is what an
    // interrupted creation leaves; a schema on a server may hold other programs' tables.
    void createsSchema_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("before");  // "empty file", or a statement run first
        for (Engine engine : kEngines) row(engine, "new place") << QString();
        row(Engine::Sqlite, "empty file") << "empty file";
        row(Engine::Postgres, "beside other tables") << "CREATE TABLE notes (x TEXT)";
    }
    void createsSchema() {
        QFETCH(QString, before);
        if (before == "empty file") {
            QFile file(place_);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (!before.isEmpty()) {
            raw()->exec(before);
        }
        QVERIFY(open());
        auto db = raw();
        QStringList srez = db->columnNames(QStringLiteral("srez"));
        QStringList month = db->columnNames(QStringLiteral("\"12_month\""));
        if (onServer()) {
            for (QStringList* columns : {&srez, &month})
                QCOMPARE(columns->takeLast(), QStringLiteral("row_order"));
        }
        const auto lower = [](QStringList names) {
            for (QString& name : names) name = name.toLower();
            return names;
        };
        QCOMPARE(srez.size(), 50);
        QCOMPARE(lower(srez.mid(0, 4)), (QStringList{"data", "zav_n", "s0", "s1"}));
        QCOMPARE(srez.last(), QStringLiteral("s47"));
        QCOMPARE(month.size(), 97);
        QCOMPARE(lower(month.mid(0, 6)),
                 (QStringList{"zav_n", "m1t1", "m1t2", "m1t3", "m1t4", "m2t1"}));
        QCOMPARE(month.mid(47, 3), (QStringList{"m12t3", "m12t4", "rm1t1"}));
        QCOMPARE(month.last(), QStringLiteral("rm12t4"));
    }

    // Tables of those names that are not the archive's: refused naming the place, which is
    // left exactly as it was.
    void refusesWhatIsNotAnArchive_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("told");
        // A file holds one program's tables; a server's schema may hold others' beside them.
        row(Engine::Sqlite, "other tables") << "CREATE TABLE notes (x TEXT)"
                                            << "нет таблицы srez";
        for (Engine engine : kEngines) {
            row(engine, "srez of other columns")
                << "CREATE TABLE srez (Zav_N INTEGER, Data DATE, s0 REAL);"
                   "CREATE TABLE \"12_month\" (Zav_N INTEGER)"
                << "столбцы таблицы srez";
            row(engine, "no month table") << srezTable() << "нет таблицы \"12_month\"";
        }
    }
    void refusesWhatIsNotAnArchive() {
        QFETCH(QString, schema);
        QFETCH(QString, told);
        for (const QString& statement : schema.split(';')) raw()->exec(statement);
        const QByteArray before = places_->snapshot(place_);
        QString error;
        QVERIFY(!Archive::open(place_, &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        const QString shown = onServer() ? place_ : QDir::toNativeSeparators(place_);
        QVERIFY2(error.contains(shown), qPrintable(error));
        QCOMPARE(places_->snapshot(place_), before);
    }

    // The two tables with their columns and nothing else: taken, and stores work in them.
    void acceptsTablesMadeElsewhere_data() { eachEngine(); }
    void acceptsTablesMadeElsewhere() {
        raw()->exec(srezTable());
        raw()->exec(monthTable());
        raw()->exec("INSERT INTO srez (Data, Zav_N, s0) VALUES ('2024-02-01', 3, 1.5)");
        auto archive = open();
        QVERIFY(archive);
        QCOMPARE(archive->storeProfile(QDate(2024, 2, 29), 3, slotValues(0)).status,
                 StoreStatus::Stored);
        QCOMPARE(archive->storeProfile(QDate(2024, 2, 29), 3, slotValues(1)).status,
                 StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(3, 2, {1, 2, 3, 4}).status, StoreStatus::Stored);
        QCOMPARE(raw()->column("SELECT CAST(Data AS TEXT) FROM srez ORDER BY Data"),
                 (QVariantList{"2024-02-01", "2024-02-29"}));
        QCOMPARE(archive->stepProfile(true, "3")->day, QDate(2024, 2, 1));
        QCOMPARE(archive->stepProfile(true, "3")->values, stored(slotValues(1)));
        QCOMPARE(archive->months(3).value(0).active[archive::monthIndex(2, 4)], 4.0);
    }

    // Programs making the same new archive at once: one makes the tables, the others wait
    // for them; the archive stays, with every program's row.
    void concurrentCreators_data() { eachEngine(); }
    void concurrentCreators() {
        constexpr int kRounds = 20;
        constexpr int kPrograms = 4;
        QStringList faults;
        for (int round = 0; round < kRounds; ++round) {
            const QString place = places_->fresh(QStringLiteral("race-%1.db").arg(round));
            std::array<QString, kPrograms> told;
            std::latch start(kPrograms);
            {
                std::vector<std::jthread> programs;
                for (int i = 0; i < kPrograms; ++i)
                    programs.emplace_back([&, i] {
                        start.arrive_and_wait();
                        QString error;
                        auto archive = Archive::open(place, &error);
                        if (!archive) {
                            told[i] = error;
                            return;
                        }
                        const auto result = archive->storeMonth(i + 1, 1, {1, 2, 3, 4});
                        if (result.status != StoreStatus::Stored) told[i] = result.error;
                    });
            }
            for (int i = 0; i < kPrograms; ++i)
                if (!told[i].isEmpty())
                    faults << QStringLiteral("round %1, program %2: %3")
                                  .arg(round)
                                  .arg(i + 1)
                                  .arg(told[i]);
            if (!onServer() && !QFileInfo::exists(place)) {
                faults << QStringLiteral("round %1: the file is gone").arg(round);
                continue;
            }
            QString error;
            const auto archive = Archive::open(place, &error);
            QList<qint64> numbers;
            for (const auto& row : archive ? archive->months({}) : QList<archive::MonthRow>{})
                numbers << row.factory;
            std::sort(numbers.begin(), numbers.end());
            if (numbers != QList<qint64>{1, 2, 3, 4})
                faults << QStringLiteral("round %1: %2 rows stored %3")
                              .arg(round)
                              .arg(numbers.size())
                              .arg(error);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }

    // Two stations storing the same day of the same meter at once, and the month-end readings
    // of the same meter: both are told stored, and one whole row is left, all of one
    // station's values, never two rows nor a mix.
    void concurrentStoresOfOneDay_data() { eachEngine(); }
    void concurrentStoresOfOneDay() {
        QVERIFY(open());
        constexpr int kDays = 15;
        std::array<QStringList, 2> faults;
        std::barrier sync(2);
        {
            std::vector<std::jthread> stations;
            for (size_t i = 0; i < faults.size(); ++i)
                stations.emplace_back([&, i] {
                    QString error;
                    auto archive = Archive::open(place_, &error);
                    const double base = 100.0 * double(i + 1);
                    for (int d = 0; d < kDays; ++d) {
                        sync.arrive_and_wait();
                        if (!archive) continue;
                        const QDate day = QDate(2026, 12, 1).addDays(d);
                        for (const auto& result :
                             {archive->storeProfile(day, 77, slotValues(base)),
                              archive->storeMonths(77, {{1, {base, base, base, base}},
                                                        {2, {base, base, base, base}}})})
                            if (result.status != StoreStatus::Stored) error = result.error;
                    }
                    if (!error.isEmpty()) faults[i] << error;
                });
        }
        QVERIFY2(faults[0].isEmpty() && faults[1].isEmpty(),
                 qPrintable((faults[0] + faults[1]).join('\n')));
        auto archive = open();
        const auto rows = archive->profiles(77, {}, {});
        QCOMPARE(rows.size(), kDays);
        for (const auto& row : rows)
            QVERIFY2(row.values == stored(slotValues(100)) || row.values == stored(slotValues(200)),
                     qPrintable(row.day.toString(Qt::ISODate)));
        const auto months = archive->months({});
        QCOMPARE(months.size(), 1);
        const auto first = months[0].active[0];
        QVERIFY(first == 100.0 || first == 200.0);
        for (int i = 0; i < 2 * link::kTariffCount; ++i) QCOMPARE(months[0].active[i], first);
    }

    // The statements as they are run: creating the row on slot 0, then overwriting it; the
    // numbers keep a decimal point under a Russian locale.
    // On the server an INSERT leaves a row another station made at that moment.
    void statementTexts_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QLocale>("locale");
        for (Engine engine : kEngines) {
            row(engine, "C") << QLocale::c();
            row(engine, "Russian") << QLocale(QLocale::Russian, QLocale::Russia);
        }
    }
    void statementTexts() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QString created = onServer() ? " ON CONFLICT DO NOTHING" : "";
        auto archive = open();
        QVERIFY(archive);
        QStringList texts;
        archive->setStatementRecorder([&](const QString& text) { texts << text; });

        Slots values = slotValues(0);
        values[0] = 327.67;
        values[1] = 1.5;
        QCOMPARE(archive->storeProfile(QDate(2010, 3, 5), 4567, values).status,
                 StoreStatus::Stored);
        QCOMPARE(texts.size(), 2 + 48);
        QCOMPARE(
            texts.mid(0, 4),
            (QStringList{"UPDATE srez SET s0=327.670000 WHERE (data = DateValue('05.03.2010') AND "
                         "Zav_N = 4567)",
                         "INSERT INTO srez (Data,Zav_N) VALUES ('05.03.2010','4567')" + created,
                         "UPDATE srez SET s0=327.670000 WHERE (data = DateValue('05.03.2010') AND "
                         "Zav_N = 4567)",
                         "UPDATE srez SET s1=1.500000 WHERE (data = DateValue('05.03.2010') AND "
                         "Zav_N = 4567)"}));
        QCOMPARE(texts.last(),
                 "UPDATE srez SET s47=11.750000 WHERE (data = DateValue('05.03.2010') AND "
                 "Zav_N = 4567)");

        texts.clear();
        QCOMPARE(archive->storeProfile(QDate(2010, 3, 5), 4567, values).status,
                 StoreStatus::Stored);
        QCOMPARE(texts.size(), 48);
        QVERIFY(texts.first().startsWith("UPDATE srez SET s0=327.670000 "));

        texts.clear();
        QCOMPARE(archive->storeMonth(4567, 3, {0.01, 1234.56, 0, 16777.21}).status,
                 StoreStatus::Stored);
        QCOMPARE(texts, (QStringList{
                            "UPDATE \"12_month\" SET m3t1=0.010000 WHERE (Zav_N = 4567)",
                            "INSERT INTO \"12_month\" (Zav_N) VALUES ('4567')" + created,
                            "UPDATE \"12_month\" SET m3t1=0.010000 WHERE (Zav_N = 4567)",
                            "UPDATE \"12_month\" SET m3t2=1234.560000 WHERE (Zav_N = 4567)",
                            "UPDATE \"12_month\" SET m3t3=0.000000 WHERE (Zav_N = 4567)",
                            "UPDATE \"12_month\" SET m3t4=16777.210000 WHERE (Zav_N = 4567)",
                        }));
        texts.clear();
        QCOMPARE(archive->storeMonth(4567, 12, {1, 2, 3, 4}).status, StoreStatus::Stored);
        QCOMPARE(texts.size(), 4);
        QCOMPARE(texts.first(), "UPDATE \"12_month\" SET m12t1=1.000000 WHERE (Zav_N = 4567)");
    }

    // One row per day and number, holding the last values, its day kept as a date.
    void storesOneRowPerDayAndNumber_data() { eachEngine(); }
    void storesOneRowPerDayAndNumber() {
        auto archive = open();
        QVERIFY(archive);
        const QDate day(2010, 12, 31);
        QCOMPARE(archive->storeProfile(day, 7, slotValues(1)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeProfile(day, 7, slotValues(2)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeProfile(day, 8, slotValues(3)).status, StoreStatus::Stored);

        const auto rows = archive->profiles({}, {}, {});
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], (archive::ProfileRow{day, 7, stored(slotValues(2))}));
        QCOMPARE(rows[1], (archive::ProfileRow{day, 8, stored(slotValues(3))}));
        QCOMPARE(raw()->column("SELECT CAST(Data AS TEXT) FROM srez"),
                 (QVariantList{"2010-12-31", "2010-12-31"}));
        if (!onServer())
            QCOMPARE(raw()->column("SELECT typeof(Zav_N) FROM srez"),
                     (QVariantList{"integer", "integer"}));

        QCOMPARE(archive->storeMonth(7, 1, {1, 2, 3, 4}).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 1, {5, 6, 7, 8}).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 2, {9, 10, 11, 12}).status, StoreStatus::Stored);
        const auto months = archive->months({});
        QCOMPARE(months.size(), 1);
        QCOMPARE(months[0].active[archive::monthIndex(1, 1)], 5.0);
        QCOMPARE(months[0].active[archive::monthIndex(1, 4)], 8.0);
        QCOMPARE(months[0].active[archive::monthIndex(2, 3)], 11.0);
        QCOMPARE(months[0].active[archive::monthIndex(3, 1)], std::nullopt);
    }

    // A statement failing on slot 20 leaves the row as it was (or absent), tells the
    // database's text, and the archive goes on working.
    void failedStoreChangesNothing_data() { eachEngine(); }
    void failedStoreChangesNothing() {
        auto archive = open();
        QVERIFY(archive);
        const QDate day(2024, 5, 1);
        QCOMPARE(archive->storeProfile(day, 7, slotValues(1)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 3, {1, 2, 3, 4}).status, StoreStatus::Stored);
        auto db = raw();
        db->failUpdates("fault", "srez", "s20", "сбой на s20");
        db->failUpdates("month_fault", "\"12_month\"", "m3t3", "сбой на m3t3");

        const auto overwrite = archive->storeProfile(day, 7, slotValues(9));
        QCOMPARE(overwrite.status, StoreStatus::Failed);
        QVERIFY2(overwrite.error.contains("сбой на s20"), qPrintable(overwrite.error));
        QCOMPARE(archive->storeProfile(day.addDays(1), 7, slotValues(9)).status,
                 StoreStatus::Failed);
        QCOMPARE(archive->storeMonth(7, 3, {5, 6, 7, 8}).status, StoreStatus::Failed);

        const auto rows = archive->profiles({}, {}, {});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].values, stored(slotValues(1)));
        QCOMPARE(archive->months(7).value(0).active[archive::monthIndex(3, 2)], 2.0);

        db->dropTrigger("fault", "srez");
        db->dropTrigger("month_fault", "\"12_month\"");
        QCOMPARE(archive->storeProfile(day, 7, slotValues(9)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 3, {5, 6, 7, 8}).status, StoreStatus::Stored);
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(9)));
    }

    // A database that refuses the new row silently: told once, the store abandoned. On the
    // server the row is looked for once more (another station may have made it).
    void insertCreatingNoRow_data() { eachEngine(); }
    void insertCreatingNoRow() {
        auto archive = open();
        QVERIFY(archive);
        auto db = raw();
        db->ignoreInserts("refuse", "srez");
        db->ignoreInserts("refuse_month", "\"12_month\"");
        const qsizetype statements = onServer() ? 3 : 2;
        QStringList texts;
        archive->setStatementRecorder([&](const QString& text) { texts << text; });

        const auto profile = archive->storeProfile(QDate(2024, 5, 1), 7, slotValues(1));
        QCOMPARE(profile.status, StoreStatus::NotCreated);
        QCOMPARE(profile.error, archive::kNotCreated);
        QCOMPARE(texts.size(), statements);
        QVERIFY(texts[1].startsWith("INSERT INTO srez"));

        texts.clear();
        QCOMPARE(archive->storeMonth(7, 1, {1, 2, 3, 4}).status, StoreStatus::NotCreated);
        QCOMPARE(texts.size(), statements);
        QCOMPARE(db->column("SELECT count(*) FROM srez").value(0).toInt(), 0);
        QCOMPARE(db->column("SELECT count(*) FROM \"12_month\"").value(0).toInt(), 0);
    }

    // Three rows; the cursor starts on the last one.
    void browseAllNumbers_data() { eachEngine(); }
    void browseAllNumbers() {
        seedProfiles({10, 20, 30});
        auto archive = open();
        QVERIFY(archive);
        QStringList forward, backward;
        for (int i = 0; i < 4; ++i) forward << shownDay(archive->stepProfile(true, {}));
        QCOMPARE(forward, (QStringList{"1", "2", "3", "1"}));
        archive = open();
        for (int i = 0; i < 3; ++i) backward << shownDay(archive->stepProfile(false, {}));
        QCOMPARE(backward, (QStringList{"2", "1", "3"}));

        // A row stored after open is next after the last.
        QCOMPARE(archive->storeProfile(QDate(2024, 1, 4), 40, slotValues(4)).status,
                 StoreStatus::Stored);
        const auto shown = archive->stepProfile(true, {});
        QVERIFY(shown);
        QCOMPARE(*shown, (archive::ProfileRow{QDate(2024, 1, 4), 40, stored(slotValues(4))}));
    }

    // Rows: day 1 number 123, day 2 number 1234, day 3 number 77; cursor on day 3 at open.
    // A press is ">" (forward) or "<" (backward) followed by the filter text; "-": nothing shown.
    void browseFilter_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QStringList>("shown");
        for (Engine engine : kEngines) {
            const auto newRow = [engine](const char* name) -> QTestData& {
                return row(engine, name);
            };
            newRow("123 is not 1234, search starts on the cursor")
                << QStringList{">123", ">123", ">123", ">123"} << QStringList{"-", "1", "-", "1"};
            newRow("leading zero matches nothing")
                << QStringList{">0123", "<0123"} << QStringList{"-", "-"};
            newRow("letters match nothing") << QStringList{">abc"} << QStringList{"-"};
            newRow("only the last row matches")
                << QStringList{">77", ">77", ">77"} << QStringList{"3", "3", "3"};
            newRow("backward stays on the first row")
                << QStringList{"<123", "<123"} << QStringList{"1", "1"};
            newRow("backward without match restarts at the end")
                << QStringList{"<1234", "<1234", "<1234"} << QStringList{"2", "-", "2"};
            newRow("no match, then all numbers go on from the first row")
                << QStringList{">55", ">"} << QStringList{"-", "2"};
            newRow("a match moves the cursor past it")
                << QStringList{">55", ">123", ">"} << QStringList{"-", "1", "3"};
        }
    }
    void browseFilter() {
        QFETCH(QStringList, presses);
        QFETCH(QStringList, shown);
        seedProfiles({123, 1234, 77});
        auto archive = open();
        QVERIFY(archive);
        QStringList seen;
        for (const QString& press : presses)
            seen << shownDay(archive->stepProfile(press.startsWith('>'), press.mid(1)));
        QCOMPARE(seen, shown);
        QVERIFY(archive->error().isEmpty());
    }

    void browseEmptyTables_data() { eachEngine(); }
    void browseEmptyTables() {
        auto archive = open();
        QVERIFY(archive);
        QCOMPARE(archive->stepProfile(true, {}), std::nullopt);
        QCOMPARE(archive->stepProfile(false, {}), std::nullopt);
        QCOMPARE(archive->stepProfile(true, "5"), std::nullopt);
        QCOMPARE(archive->stepMonths(true), std::nullopt);
        QCOMPARE(archive->stepMonths(false), std::nullopt);
        QVERIFY(archive->error().isEmpty());

        QCOMPARE(archive->storeProfile(QDate(2024, 2, 1), 5, slotValues(0)).status,
                 StoreStatus::Stored);
        QCOMPARE(shownDay(archive->stepProfile(false, {})), "1");
        QCOMPARE(shownDay(archive->stepProfile(true, "5")), "1");
    }

    // A row written by another program: a dd.mm.yyyy day, most slots never written.
    void rowWrittenElsewhere_data() { eachEngine(); }
    void rowWrittenElsewhere() {
        QVERIFY(open());
        raw()->exec("INSERT INTO srez (Data,Zav_N,s0,s47) VALUES ('31.12.2010','9',1.5,2.25)");
        auto archive = open();
        QVERIFY(archive);
        const auto row = archive->stepProfile(true, "9");
        QVERIFY(row);
        QCOMPARE(row->day, QDate(2010, 12, 31));
        QCOMPARE(row->values[0], 1.5);
        QCOMPARE(row->values[1], std::nullopt);
        QCOMPARE(row->values[47], 2.25);
    }

    void browseMonths_data() { eachEngine(); }
    void browseMonths() {
        {
            auto archive = open();
            QVERIFY(archive);
            for (qint64 number : {1, 2, 3})
                QCOMPARE(archive->storeMonth(number, 3, {1, 2, 3, double(number)}).status,
                         StoreStatus::Stored);
            raw()->exec("UPDATE \"12_month\" SET rm12t4 = 5.5 WHERE Zav_N = 2");
        }
        auto archive = open();
        QVERIFY(archive);
        QList<qint64> seen;
        for (bool forward : {true, true, true, true, false, false}) {
            const auto row = archive->stepMonths(forward);
            QVERIFY(row);
            seen << row->factory;
            if (row->factory == 2) {
                QCOMPARE(row->active[archive::monthIndex(3, 4)], 2.0);
                QCOMPARE(row->active[archive::monthIndex(4, 1)], std::nullopt);
                QCOMPARE(row->reactive[archive::monthIndex(12, 4)], 5.5);
                QCOMPARE(row->reactive[archive::monthIndex(3, 4)], std::nullopt);
            }
        }
        QCOMPARE(seen, (QList<qint64>{1, 2, 3, 1, 3, 2}));
    }

    // Rows by day: 1 #1, 2 #2, 3 #1, 4 #2. Listing leaves the browse where it was.
    void listings_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<qint64>("number");  // 0: any
        QTest::addColumn<QDate>("from");     // invalid: open end
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("days");
        const QDate none;
        for (Engine engine : kEngines) {
            const auto newRow = [engine](const char* name) -> QTestData& {
                return row(engine, name);
            };
            newRow("all") << qint64(0) << none << none << QStringList{"1", "2", "3", "4"};
            newRow("one number") << qint64(1) << none << none << QStringList{"1", "3"};
            newRow("from a day") << qint64(0) << QDate(2024, 1, 2) << none
                                 << QStringList{"2", "3", "4"};
            newRow("up to a day") << qint64(0) << none << QDate(2024, 1, 2)
                                  << QStringList{"1", "2"};
            newRow("number and days")
                << qint64(2) << QDate(2024, 1, 3) << QDate(2024, 1, 4) << QStringList{"4"};
            newRow("absent number") << qint64(3) << none << none << QStringList{};
        }
    }
    void listings() {
        QFETCH(qint64, number);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, days);
        seedProfiles({1, 2, 1, 2});
        auto archive = open();
        QVERIFY(archive);
        const auto maybe = [](bool given, auto value) {
            return given ? std::optional(value) : std::nullopt;
        };
        QStringList seen;
        for (const auto& row : archive->profiles(
                 maybe(number != 0, number), maybe(from.isValid(), from), maybe(to.isValid(), to)))
            seen << QString::number(row.day.day());
        QCOMPARE(seen, days);
        QCOMPARE(shownDay(archive->stepProfile(true, {})), "1");
    }

    void listMonths_data() { eachEngine(); }
    void listMonths() {
        auto archive = open();
        QVERIFY(archive);
        for (qint64 number : {5, 3, 4})
            QCOMPARE(archive->storeMonth(number, 1, {1, 2, 3, 4}).status, StoreStatus::Stored);
        QList<qint64> all;
        for (const auto& row : archive->months({})) all << row.factory;
        QCOMPARE(all, (QList<qint64>{5, 3, 4}));
        QCOMPARE(archive->months(3).size(), 1);
        QCOMPARE(archive->months(6).size(), 0);
    }

    // The tables taken away under an open archive: a message, no row, nothing stored.
    void tablesGoneWhileOpen_data() { eachEngine(); }
    void tablesGoneWhileOpen() {
        seedProfiles({1});
        auto archive = open();
        QVERIFY(archive);
        raw()->exec("ALTER TABLE srez RENAME TO old_srez");
        QCOMPARE(archive->stepProfile(true, {}), std::nullopt);
        QVERIFY2(archive->error().contains("srez"), qPrintable(archive->error()));
        QVERIFY(archive->profiles({}, {}, {}).isEmpty());
        QVERIFY(!archive->error().isEmpty());
        const auto result = archive->storeProfile(QDate(2024, 1, 1), 1, slotValues(0));
        QCOMPARE(result.status, StoreStatus::Failed);
        QVERIFY2(result.error.contains("srez"), qPrintable(result.error));
    }
};

QTEST_GUILESS_MAIN(TstArchive)
#include "tst_archive.moc"
