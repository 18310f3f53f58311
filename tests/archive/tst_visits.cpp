// The record of visits in the archive: the table made by the first store, the rows listed by
// time and narrowed, an archive made before the table, records refused whole, and stores of
// several programs at once.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <latch>
#include <thread>

#include "archive/archive.h"
#include "support/archive_rig.h"

using namespace vilt;
using archive::Archive;
using archive::StoreStatus;
using archive::VisitRecord;

namespace {

QDateTime at(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

VisitRecord visit(const QString& when, qint64 factory, const QString& label,
                  const QString& result = QStringLiteral("ok"),
                  std::optional<qint64> offset = std::nullopt,
                  std::optional<qint64> energy = std::nullopt) {
    return {at(when), QStringLiteral("ws-1"), factory, label, result, offset, energy};
}

QStringList labels(const QList<VisitRecord>& rows) {
    QStringList seen;
    for (const VisitRecord& row : rows) seen << row.label;
    return seen;
}

// Another program's connection to the file: the first column of each row of a statement.
QVariantList rawColumn(const QString& path, const QString& sql) {
    QVariantList values;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (!db.open() || !query.exec(sql)) qFatal("raw: %s", qPrintable(query.lastError().text()));
        while (query.next()) values << query.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return values;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TstVisits : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ArchiveRig> rig_;

    void store(const QList<VisitRecord>& visits) {
        for (const VisitRecord& one : visits)
            QCOMPARE(rig_->archive->storeVisit(one).status, StoreStatus::Stored);
    }

  private slots:
    void init() { rig_ = std::make_unique<test::ArchiveRig>(); }
    void cleanup() { rig_.reset(); }

    // Rows come back whole, by time, those of one second in the order stored, also through
    // another connection; the table and its indexes are made by the first store only.
    void storesAndLists() {
        QVERIFY(rig_->archive->visits({}, {}, {}).isEmpty());
        QCOMPARE(rig_->archive->error(), QString());
        const QList<VisitRecord> stored = {
            visit("2024-03-02 10:00:00", 11111, "ТП-1", "ok", -2, 12345),
            visit("2024-03-01 09:00:00", 22222, "Дача 'старая'", "session: Нет связи", {}, {}),
            {at("2024-03-02 10:00:00"), archive::defaultStation(), 33333, QString(), "ok", 0, 0},
            visit("2024-03-02 10:00:00", 11111, "line\x1b[2J", "energy: a; archive: b", 4000, -1),
        };
        store(stored);
        const QList<VisitRecord> expected = {stored[1], stored[0], stored[2], stored[3]};
        QCOMPARE(rig_->archive->visits({}, {}, {}), expected);
        QCOMPARE(rig_->archive->error(), QString());
        QString error;
        const auto other = Archive::open(rig_->path(), &error);
        QVERIFY2(other, qPrintable(error));
        QCOMPARE(other->visits({}, {}, {}), expected);

        QCOMPARE(rig_->statements.filter("CREATE").size(), 3);
        QVERIFY(rig_->statements.first().startsWith("CREATE TABLE IF NOT EXISTS visits"));
        QCOMPARE(rig_->statements.filter("INSERT INTO visits").size(), stored.size());
        QCOMPARE(rawColumn(rig_->path(), "SELECT name FROM pragma_table_info('visits')"),
                 (QVariantList{"Visited", "Station", "Zav_N", "Label", "Result", "Offset_s",
                               "Energy", "Seq"}));
    }

    // Days include both ends, from midnight to the last second.
    void filters_data() {
        QTest::addColumn<qint64>("factory");  // 0: any
        QTest::addColumn<QDate>("from");      // invalid: open end
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("expected");
        const QDate none;
        const QDate first(2024, 3, 1), second(2024, 3, 2);
        QTest::newRow("all") << qint64(0) << none << none << QStringList{"a", "b", "c", "d"};
        QTest::newRow("one meter") << qint64(1) << none << none << QStringList{"a", "c"};
        QTest::newRow("from a day") << qint64(0) << second << none << QStringList{"c", "d"};
        QTest::newRow("up to a day") << qint64(0) << none << first << QStringList{"a", "b"};
        QTest::newRow("one day, one meter") << qint64(2) << first << first << QStringList{"b"};
        QTest::newRow("after the last") << qint64(0) << QDate(2024, 3, 4) << none << QStringList{};
        QTest::newRow("absent meter") << qint64(3) << none << none << QStringList{};
    }
    void filters() {
        QFETCH(qint64, factory);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, expected);
        store({visit("2024-03-01 00:00:00", 1, "a"), visit("2024-03-01 23:59:59", 2, "b"),
               visit("2024-03-02 00:00:00", 1, "c"), visit("2024-03-03 12:00:00", 2, "d")});
        const auto maybe = [](bool given, auto value) {
            return given ? std::optional(value) : std::nullopt;
        };
        QCOMPARE(
            labels(rig_->archive->visits(maybe(factory != 0, factory), maybe(from.isValid(), from),
                                         maybe(to.isValid(), to))),
            expected);
    }

    // An archive made before visits were recorded: opened and listed without a change to the
    // file (so a file that cannot be written lists too), then given the table by a store.
    void archiveWithoutTheTable() {
        QVERIFY(rig_->archive->storeMonth(5, 1, {1, 2, 3, 4}).status == StoreStatus::Stored);
        rig_->archive.reset();
        const QByteArray before = bytesOf(rig_->path());
        QString error;
        auto archive = Archive::open(rig_->path(), &error);
        QVERIFY2(archive, qPrintable(error));
        QVERIFY(archive->visits(5, {}, {}).isEmpty());
        QCOMPARE(archive->error(), QString());
        QCOMPARE(archive->months({}).size(), 1);
        QCOMPARE(bytesOf(rig_->path()), before);

        QCOMPARE(archive->storeVisit(visit("2024-03-01 08:00:00", 5, "a")).status,
                 StoreStatus::Stored);
        QCOMPARE(labels(archive->visits({}, {}, {})), QStringList{"a"});
        QCOMPARE(archive->months({}).size(), 1);
    }

    // A record the table must not take is refused before anything is run.
    void refusedRecords_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("station");
        QTest::addColumn<bool>("taken");
        const QDateTime time = at("2024-03-01 08:00:00");
        const char32_t smile[] = {0x1F600};
        QTest::newRow("no time") << QDateTime() << "ws" << false;
        QTest::newRow("no station") << time << "" << false;
        QTest::newRow("blank station") << time << "   " << false;
        QTest::newRow("65 characters") << time << QString(65, 'x') << false;
        QTest::newRow("control character") << time << "ws\t1" << false;
        QTest::newRow("direction override") << time << "ws\u202E1" << false;
        QTest::newRow("64 Cyrillic letters") << time << QString(64, QChar(0x44F)) << true;
        QTest::newRow("64 beyond 16 bits")
            << time << QString::fromUcs4(smile, 1).repeated(64) << true;
    }
    void refusedRecords() {
        QFETCH(QDateTime, when);
        QFETCH(QString, station);
        QFETCH(bool, taken);
        QCOMPARE(archive::isStationName(station), taken || !when.isValid());
        const auto result = rig_->archive->storeVisit({when, station, 7, "a", "ok", {}, {}});
        QCOMPARE(result.status, taken ? StoreStatus::Stored : StoreStatus::Failed);
        QCOMPARE(result.error.isEmpty(), taken);
        QCOMPARE(rig_->archive->visits({}, {}, {}).size(), taken ? 1 : 0);
        if (!taken) QVERIFY(rig_->statements.isEmpty());
        if (taken) QCOMPARE(rig_->archive->visits({}, {}, {}).first().station, station);
    }

    // A row the database refuses, or a new row that is not made: told, nothing changed.
    void failedStore_data() {
        QTest::addColumn<QString>("raise");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("told");
        QTest::newRow("refused") << "ABORT, 'disk says no'" << int(StoreStatus::Failed)
                                 << "disk says no";
        QTest::newRow("no row made")
            << "IGNORE" << int(StoreStatus::NotCreated) << archive::kNotCreated;
    }
    void failedStore() {
        QFETCH(QString, raise);
        QFETCH(int, status);
        QFETCH(QString, told);
        store({visit("2024-03-01 08:00:00", 1, "a")});
        rawColumn(rig_->path(), QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON visits "
                                               "BEGIN SELECT RAISE(%1); END")
                                    .arg(raise));
        const auto result = rig_->archive->storeVisit(visit("2024-03-01 09:00:00", 1, "b"));
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.error.contains(told), qPrintable(result.error));
        QCOMPARE(labels(rig_->archive->visits({}, {}, {})), QStringList{"a"});
    }

    // Programs storing into a new file at once, all in one second: the first stores make the
    // table once, no row is lost, and each program's rows keep the order it stored them in.
    void storesAtOnce() {
        constexpr int kPrograms = 4;
        constexpr int kEach = 25;
        const QString path = rig_->folder.filePath(QStringLiteral("shared.db"));
        std::array<QString, kPrograms> faults;
        std::latch start(kPrograms);
        {
            std::vector<std::jthread> programs;
            for (int p = 0; p < kPrograms; ++p)
                programs.emplace_back([&, p] {
                    start.arrive_and_wait();
                    auto archive = Archive::open(path, &faults[p]);
                    for (int n = 0; archive && n < kEach && faults[p].isEmpty(); ++n)
                        faults[p] = archive
                                        ->storeVisit(visit("2024-03-01 08:00:00", p,
                                                           QStringLiteral("%1-%2").arg(p).arg(n)))
                                        .error;
                });
        }
        for (const QString& fault : faults) QCOMPARE(fault, QString());
        QString error;
        const auto archive = Archive::open(path, &error);
        QVERIFY2(archive, qPrintable(error));
        for (int p = 0; p < kPrograms; ++p) {
            QStringList expected;
            for (int n = 0; n < kEach; ++n) expected << QStringLiteral("%1-%2").arg(p).arg(n);
            QCOMPARE(labels(archive->visits(p, {}, {})), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TstVisits)
#include "tst_visits.moc"
