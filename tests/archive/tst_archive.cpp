// The archive file: made or refused at open, the store-or-create rule with its exact
// statements and its transaction, the browse of both tables and the listings.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <future>
#include <latch>
#include <thread>

#include "archive/archive.h"

using namespace vilt;
using archive::Archive;
using archive::StoreStatus;

namespace {

using Slots = std::array<double, archive::kSlots>;

// Slot k holds base + k/4: distinct, exact in binary and in six decimals.
Slots slotValues(double base) {
    Slots values{};
    for (int k = 0; k < archive::kSlots; ++k) values[k] = base + k / 4.0;
    return values;
}

std::array<std::optional<double>, archive::kSlots> stored(const Slots& values) {
    std::array<std::optional<double>, archive::kSlots> result;
    for (int k = 0; k < archive::kSlots; ++k) result[k] = values[k];
    return result;
}

// A second connection to the file, as another program would have: what is really stored,
// and the faults a test plants.
class Raw {
  public:
    explicit Raw(const QString& path) : name_(QStringLiteral("raw-%1").arg(++count_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        if (!db.open()) qFatal("raw open: %s", qPrintable(db.lastError().text()));
    }
    ~Raw() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    void exec(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        if (!query.exec(sql)) qFatal("raw exec: %s", qPrintable(query.lastError().text()));
    }
    // The first column of every row.
    QVariantList column(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(name_, false));
        if (!query.exec(sql)) qFatal("raw query: %s", qPrintable(query.lastError().text()));
        QVariantList values;
        while (query.next()) values << query.value(0);
        return values;
    }
    QStringList columnNames(const QString& table) {
        QStringList names;
        QSqlQuery query(QSqlDatabase::database(name_, false));
        query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
        while (query.next()) names << query.value(1).toString();
        return names;
    }

  private:
    static inline int count_ = 0;
    QString name_;
};

// srez as the archive has it, alone.
QString srezTable() {
    QStringList columns{"Data DATE", "Zav_N INTEGER"};
    for (int k = 0; k < archive::kSlots; ++k) columns << QStringLiteral("s%1 REAL").arg(k);
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

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The archive's bytes with the pages after the first zeroed, as a failing disk leaves them:
// the schema on the first page still reads, the tables do not. The change counter moves on,
// so a connection that has the file open reads it again.
QByteArray zeroTables(QByteArray bytes) {
    const int pageSize = (uchar(bytes[16]) << 8) | uchar(bytes[17]);
    if (bytes.size() <= pageSize) qFatal("zeroTables: one page only");
    bytes.replace(pageSize, bytes.size() - pageSize, QByteArray(bytes.size() - pageSize, '\0'));
    bytes[27] = char(bytes[27] + 1);
    return bytes;
}

// An archive with a row in each table, its tables zeroed.
QByteArray zeroedTables() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("z.db"));
    {
        QString error;
        auto archive = Archive::open(path, &error);
        if (!archive) qFatal("zeroedTables: %s", qPrintable(error));
        archive->storeMonth(1, 1, {1, 2, 3, 4});
        archive->storeProfile(QDate(2024, 1, 1), 1, {});
    }
    return zeroTables(bytesOf(path));
}

// Another program's connection that holds the file locked (BEGIN EXCLUSIVE) on a thread of
// its own, from start until release is set (or at once when it is never waited for).
class Holder {
  public:
    explicit Holder(const QString& path, std::chrono::milliseconds hold = std::chrono::hours(1))
        : thread_([this, path, hold] {
              const QString name = QStringLiteral("holder");
              {
                  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                  db.setDatabaseName(path);
                  QSqlQuery query(db);
                  const bool held = db.open() && query.exec(QStringLiteral("BEGIN EXCLUSIVE"));
                  holding_.set_value(held);
                  if (held) {
                      releasing_.get_future().wait_for(hold);
                      query.exec(QStringLiteral("COMMIT"));
                  }
                  db.close();
              }
              QSqlDatabase::removeDatabase(name);
          }) {}
    ~Holder() {
        release();
        thread_.join();
    }
    bool holding() { return holding_.get_future().get(); }
    void release() {
        if (!released_) releasing_.set_value();
        released_ = true;
    }

  private:
    std::promise<bool> holding_;
    std::promise<void> releasing_;
    bool released_ = false;
    std::thread thread_;
};

}  // namespace

class TstArchive : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;

    std::unique_ptr<Archive> open() {
        QString error;
        auto archive = Archive::open(path_, &error);
        if (!archive) qWarning("open: %s", qPrintable(error));
        return archive;
    }

    // Rows of srez numbered by their day: day n is 2024-01-0n, with the given numbers.
    void seedProfiles(const QList<qint64>& numbers) {
        auto archive = open();
        QVERIFY(archive);
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(archive->storeProfile(QDate(2024, 1, i + 1), numbers[i], slotValues(i)).status,
                     StoreStatus::Stored);
    }

    static QString shownDay(const std::optional<archive::ProfileRow>& row) {
        return row ? QString::number(row->day.day()) : QStringLiteral("-");
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        path_ = dir_->filePath(archive::kDefaultFile);
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // A missing file, or an empty one (what an interrupted creation leaves), gets the tables.
    void createsSchema_data() {
        QTest::addColumn<bool>("emptyFileFirst");
        QTest::newRow("no file") << false;
        QTest::newRow("empty file") << true;
    }
    void createsSchema() {
        QFETCH(bool, emptyFileFirst);
        if (emptyFileFirst) {
            QFile file(path_);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(open());
        Raw raw(path_);
        const QStringList srez = raw.columnNames(QStringLiteral("srez"));
        QCOMPARE(srez.size(), 50);
        QCOMPARE(srez.mid(0, 4), (QStringList{"Data", "Zav_N", "s0", "s1"}));
        QCOMPARE(srez.last(), QStringLiteral("s47"));
        const QStringList month = raw.columnNames(QStringLiteral("\"12_month\""));
        QCOMPARE(month.size(), 97);
        QCOMPARE(month.mid(0, 6), (QStringList{"Zav_N", "m1t1", "m1t2", "m1t3", "m1t4", "m2t1"}));
        QCOMPARE(month.mid(47, 3), (QStringList{"m12t3", "m12t4", "rm1t1"}));
        QCOMPARE(month.last(), QStringLiteral("rm12t4"));
    }

    // The file keeps every byte, no journal appears beside it, and the message names it.
    void refusesWhatIsNotAnArchive_data() {
        QTest::addColumn<QByteArray>("bytes");  // written as the file, when not empty
        QTest::addColumn<QString>("schema");    // else: a database made with these statements
        QTest::addColumn<QString>("told");
        QByteArray damaged("SQLite format 3", 16);
        damaged += QByteArray(4080, '\xAB');
        QTest::newRow("text file")
            << QByteArray("Дата;Номер\r\n01.01.2024;5\r\n") << QString() << "не база данных SQLite";
        QTest::newRow("damaged database") << damaged << QString() << "повреждён";
        QTest::newRow("tables zeroed") << zeroedTables() << QString() << "повреждён";
        QTest::newRow("other tables") << QByteArray() << "CREATE TABLE notes (x TEXT)"
                                      << "нет таблицы srez";
        QTest::newRow("srez of other columns")
            << QByteArray()
            << "CREATE TABLE srez (Zav_N INTEGER, Data DATE, s0 REAL);"
               "CREATE TABLE \"12_month\" (Zav_N INTEGER)"
            << "столбцы таблицы srez";
        QTest::newRow("no month table")
            << QByteArray() << srezTable() << "нет таблицы \"12_month\"";
    }
    void refusesWhatIsNotAnArchive() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, schema);
        QFETCH(QString, told);
        if (!bytes.isEmpty()) {
            QFile file(path_);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        } else {
            Raw raw(path_);
            for (const QString& statement : schema.split(';')) raw.exec(statement);
        }
        const QByteArray before = bytesOf(path_);
        QString error;
        QVERIFY(!Archive::open(path_, &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path_)), qPrintable(error));
        QCOMPARE(bytesOf(path_), before);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{archive::kDefaultFile});
    }

    // The two tables with their columns and nothing else: taken, and stores work in it.
    void acceptsTablesMadeElsewhere() {
        {
            Raw raw(path_);
            raw.exec(srezTable());
            raw.exec(monthTable());
        }
        auto archive = open();
        QVERIFY(archive);
        QCOMPARE(archive->storeProfile(QDate(2024, 2, 29), 3, slotValues(0)).status,
                 StoreStatus::Stored);
        QCOMPARE(archive->storeProfile(QDate(2024, 2, 29), 3, slotValues(1)).status,
                 StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(3, 2, {1, 2, 3, 4}).status, StoreStatus::Stored);
        Raw raw(path_);
        QCOMPARE(raw.column("SELECT Data FROM srez"), QVariantList{"2024-02-29"});
        QCOMPARE(archive->stepProfile(true, "3")->values, stored(slotValues(1)));
    }

    // Another program holding the file locked: the archive waits the stated time and then
    // says the file is busy (not damaged), leaving it as it was; a lock let go within the
    // wait costs only the wait, for the open and for a store.
    void heldByAnotherProgram() {
        seedProfiles({7});
        const QByteArray before = bytesOf(path_);
        const QString waited = QStringLiteral("%1 с").arg(archive::kBusyWaitMs / 1000);
        {
            Holder holder(path_);
            QVERIFY(holder.holding());
            QString error;
            QVERIFY(!Archive::open(path_, &error));
            QVERIFY2(error.contains("занят") && error.contains(waited) &&
                         error.contains(QDir::toNativeSeparators(path_)) &&
                         !error.contains("повреждён"),
                     qPrintable(error));
        }
        QCOMPARE(bytesOf(path_), before);

        auto archive = open();
        QVERIFY(archive);
        {
            Holder holder(path_);
            QVERIFY(holder.holding());
            const auto result = archive->storeProfile(QDate(2024, 1, 1), 7, slotValues(5));
            QCOMPARE(result.status, StoreStatus::Failed);
            QVERIFY2(result.error.contains("занят") && result.error.contains(waited),
                     qPrintable(result.error));
        }
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(0)));

        {
            Holder holder(path_, std::chrono::milliseconds(300));
            QVERIFY(holder.holding());
            QVERIFY(open());
        }
        {
            Holder holder(path_, std::chrono::milliseconds(300));
            QVERIFY(holder.holding());
            QCOMPARE(archive->storeProfile(QDate(2024, 1, 1), 7, slotValues(6)).status,
                     StoreStatus::Stored);
        }
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(6)));
    }

    // Damage that comes while the archive is open is told naming the file, by a store and
    // by a listing.
    void damagedWhileOpen() {
        auto archive = open();
        QVERIFY(archive);
        QCOMPARE(archive->storeMonth(7, 1, {1, 2, 3, 4}).status, StoreStatus::Stored);
        const QByteArray damaged = zeroTables(bytesOf(path_));
        {
            QFile file(path_);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QCOMPARE(file.write(damaged), damaged.size());
        }
        const auto result = archive->storeMonth(7, 2, {1, 2, 3, 4});
        QCOMPARE(result.status, StoreStatus::Failed);
        QVERIFY(archive->months({}).isEmpty());
        for (const QString& told : {result.error, archive->error()})
            QVERIFY2(told.contains("повреждён") && told.contains(QDir::toNativeSeparators(path_)),
                     qPrintable(told));
    }

    // Programs making the same new archive at once: one makes the tables, the others wait
    // for them; the file stays, with every program's row.
    void concurrentCreators() {
        constexpr int kRounds = 20;
        constexpr int kPrograms = 4;
        QStringList faults;
        for (int round = 0; round < kRounds; ++round) {
            const QString path = dir_->filePath(QStringLiteral("race-%1.db").arg(round));
            std::array<QString, kPrograms> told;
            std::latch start(kPrograms);
            {
                std::vector<std::jthread> programs;
                for (int i = 0; i < kPrograms; ++i)
                    programs.emplace_back([&, i] {
                        start.arrive_and_wait();
                        QString error;
                        auto archive = Archive::open(path, &error);
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
            if (!QFileInfo::exists(path)) {
                faults << QStringLiteral("round %1: the file is gone").arg(round);
                continue;
            }
            QString error;
            const auto archive = Archive::open(path, &error);
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

    void refusesAPlaceWithoutAFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("told");
        QTest::newRow("missing folder") << "нет/Counter_VILT3.db"
                                        << "нет папки";
        QTest::newRow("a folder") << "."
                                  << "это папка";
    }
    void refusesAPlaceWithoutAFile() {
        QFETCH(QString, name);
        QFETCH(QString, told);
        QString error;
        QVERIFY(!Archive::open(dir_->filePath(name), &error));
        QVERIFY2(error.contains(told), qPrintable(error));
        QVERIFY(QDir(dir_->path()).isEmpty());
    }

    // The statements as they are run: creating the row on slot 0, then overwriting it; the
    // numbers keep a decimal point under a Russian locale.
    void statementTexts_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia);
    }
    void statementTexts() {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
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
                         "INSERT INTO srez (Data,Zav_N) VALUES ('05.03.2010','4567')",
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
                            "INSERT INTO \"12_month\" (Zav_N) VALUES ('4567')",
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

    // One row per day and number, holding the last values, its day kept as an ISO date.
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
        Raw raw(path_);
        QCOMPARE(raw.column("SELECT Data FROM srez"), (QVariantList{"2010-12-31", "2010-12-31"}));
        QCOMPARE(raw.column("SELECT typeof(Zav_N) FROM srez"),
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
    void failedStoreChangesNothing() {
        auto archive = open();
        QVERIFY(archive);
        const QDate day(2024, 5, 1);
        QCOMPARE(archive->storeProfile(day, 7, slotValues(1)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 3, {1, 2, 3, 4}).status, StoreStatus::Stored);
        Raw raw(path_);
        raw.exec(
            "CREATE TRIGGER fault BEFORE UPDATE OF s20 ON srez "
            "BEGIN SELECT RAISE(ABORT, 'сбой на s20'); END");
        raw.exec(
            "CREATE TRIGGER month_fault BEFORE UPDATE OF m3t3 ON \"12_month\" "
            "BEGIN SELECT RAISE(ABORT, 'сбой на m3t3'); END");

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

        raw.exec("DROP TRIGGER fault");
        raw.exec("DROP TRIGGER month_fault");
        QCOMPARE(archive->storeProfile(day, 7, slotValues(9)).status, StoreStatus::Stored);
        QCOMPARE(archive->storeMonth(7, 3, {5, 6, 7, 8}).status, StoreStatus::Stored);
        QCOMPARE(archive->profiles({}, {}, {}).value(0).values, stored(slotValues(9)));
    }

    // A database that refuses the new row silently: told once, the store abandoned.
    void insertCreatingNoRow() {
        auto archive = open();
        QVERIFY(archive);
        Raw raw(path_);
        raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON srez BEGIN SELECT RAISE(IGNORE); END");
        raw.exec(
            "CREATE TRIGGER refuse_month BEFORE INSERT ON \"12_month\" "
            "BEGIN SELECT RAISE(IGNORE); END");
        QStringList texts;
        archive->setStatementRecorder([&](const QString& text) { texts << text; });

        const auto profile = archive->storeProfile(QDate(2024, 5, 1), 7, slotValues(1));
        QCOMPARE(profile.status, StoreStatus::NotCreated);
        QCOMPARE(profile.error, archive::kNotCreated);
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[1].startsWith("INSERT INTO srez"));

        texts.clear();
        QCOMPARE(archive->storeMonth(7, 1, {1, 2, 3, 4}).status, StoreStatus::NotCreated);
        QCOMPARE(texts.size(), 2);
        QCOMPARE(raw.column("SELECT count(*) FROM srez").value(0), 0);
        QCOMPARE(raw.column("SELECT count(*) FROM \"12_month\"").value(0), 0);
    }

    // Three rows; the cursor starts on the last one.
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
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("123 is not 1234, search starts on the cursor")
            << QStringList{">123", ">123", ">123", ">123"} << QStringList{"-", "1", "-", "1"};
        QTest::newRow("leading zero matches nothing")
            << QStringList{">0123", "<0123"} << QStringList{"-", "-"};
        QTest::newRow("letters match nothing") << QStringList{">abc"} << QStringList{"-"};
        QTest::newRow("only the last row matches")
            << QStringList{">77", ">77", ">77"} << QStringList{"3", "3", "3"};
        QTest::newRow("backward stays on the first row")
            << QStringList{"<123", "<123"} << QStringList{"1", "1"};
        QTest::newRow("backward without match restarts at the end")
            << QStringList{"<1234", "<1234", "<1234"} << QStringList{"2", "-", "2"};
        QTest::newRow("no match, then all numbers go on from the first row")
            << QStringList{">55", ">"} << QStringList{"-", "2"};
        QTest::newRow("a match moves the cursor past it")
            << QStringList{">55", ">123", ">"} << QStringList{"-", "1", "3"};
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
    void rowWrittenElsewhere() {
        QVERIFY(open());
        {
            Raw raw(path_);
            raw.exec("INSERT INTO srez (Data,Zav_N,s0,s47) VALUES ('31.12.2010','9',1.5,2.25)");
        }
        auto archive = open();
        QVERIFY(archive);
        const auto row = archive->stepProfile(true, "9");
        QVERIFY(row);
        QCOMPARE(row->day, QDate(2010, 12, 31));
        QCOMPARE(row->values[0], 1.5);
        QCOMPARE(row->values[1], std::nullopt);
        QCOMPARE(row->values[47], 2.25);
    }

    void browseMonths() {
        {
            auto archive = open();
            QVERIFY(archive);
            for (qint64 number : {1, 2, 3})
                QCOMPARE(archive->storeMonth(number, 3, {1, 2, 3, double(number)}).status,
                         StoreStatus::Stored);
            Raw raw(path_);
            raw.exec("UPDATE \"12_month\" SET rm12t4 = 5.5 WHERE Zav_N = 2");
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
        QTest::addColumn<qint64>("number");  // 0: any
        QTest::addColumn<QDate>("from");     // invalid: open end
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("days");
        const QDate none;
        QTest::newRow("all") << qint64(0) << none << none << QStringList{"1", "2", "3", "4"};
        QTest::newRow("one number") << qint64(1) << none << none << QStringList{"1", "3"};
        QTest::newRow("from a day")
            << qint64(0) << QDate(2024, 1, 2) << none << QStringList{"2", "3", "4"};
        QTest::newRow("up to a day")
            << qint64(0) << none << QDate(2024, 1, 2) << QStringList{"1", "2"};
        QTest::newRow("number and days")
            << qint64(2) << QDate(2024, 1, 3) << QDate(2024, 1, 4) << QStringList{"4"};
        QTest::newRow("absent number") << qint64(3) << none << none << QStringList{};
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
    void tablesGoneWhileOpen() {
        seedProfiles({1});
        auto archive = open();
        QVERIFY(archive);
        {
            Raw raw(path_);
            raw.exec("ALTER TABLE srez RENAME TO old_srez");
        }
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
