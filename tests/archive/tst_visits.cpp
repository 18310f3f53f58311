// The record of visits in the archive, each case on a file and on the test server (a fresh
// schema each; without a server those rows are skipped): the table made by the first store,
// the rows listed by time and narrowed, an archive made before the table, records refused
// whole, and stores of several programs at once.

#include <QtTest>
#include <latch>
#include <thread>

#include "archive/archive.h"
#include "support/archive_places.h"

using namespace vilt;
using archive::Archive;
using archive::StoreStatus;
using archive::VisitRecord;
using test::Engine;

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

QStringList lower(QStringList names) {
    for (QString& name : names) name = name.toLower();
    return names;
}

}  // namespace

class TstVisits : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ArchivePlaces> places_;
    QString place_;
    std::unique_ptr<Archive> archive_;
    QStringList statements_;

    std::unique_ptr<test::Raw> raw() const { return places_->raw(place_); }

    std::unique_ptr<Archive> open() const {
        QString error;
        auto archive = Archive::open(place_, &error);
        if (!archive) qWarning("open: %s", qPrintable(error));
        return archive;
    }

    void store(const QList<VisitRecord>& visits) {
        for (const VisitRecord& one : visits) {
            const auto result = archive_->storeVisit(one);
            QVERIFY2(result.status == StoreStatus::Stored, qPrintable(result.error));
        }
    }

  private slots:
    void init() {
        // The archive's own words go to the caller; nothing is left for the log.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QFETCH(Engine, engine);
        if (engine == Engine::Postgres && test::serverUrl().isEmpty()) QSKIP(test::kNoServer);
        places_ = std::make_unique<test::ArchivePlaces>(engine);
        place_ = places_->fresh(archive::kDefaultFile);
        archive_ = open();
        QVERIFY(archive_);
        archive_->setStatementRecorder([this](const QString& s) { statements_ << s; });
    }
    void cleanup() {
        archive_.reset();
        statements_.clear();
        places_.reset();
    }

    // Rows come back whole, by time, those of one second in the order stored, also through
    // another connection; the table and its indexes are made by the first store only.
    void storesAndLists_data() { test::eachEngine(); }
    void storesAndLists() {
        QVERIFY(archive_->visits({}, {}, {}).isEmpty());
        QCOMPARE(archive_->error(), QString());
        const QList<VisitRecord> stored = {
            visit("2024-03-02 10:00:00", 11111, "ТП-1", "ok", -2, 12345),
            visit("2024-03-01 09:00:00", 22222, "Дача 'старая'", "session: Нет связи", {}, {}),
            {at("2024-03-02 10:00:00"), archive::defaultStation(), 33333, QString(), "ok", 0, 0},
            visit("2024-03-02 10:00:00", 11111, "line\x1b[2J", "energy: a; archive: b", 4000, -1),
        };
        store(stored);
        const QList<VisitRecord> expected = {stored[1], stored[0], stored[2], stored[3]};
        QCOMPARE(archive_->visits({}, {}, {}), expected);
        QCOMPARE(archive_->error(), QString());
        const auto other = open();
        QVERIFY(other);
        QCOMPARE(other->visits({}, {}, {}), expected);

        QCOMPARE(statements_.filter("CREATE").size(), 3);
        QVERIFY(statements_.first().startsWith("CREATE TABLE IF NOT EXISTS visits"));
        QCOMPARE(statements_.filter("INSERT INTO visits").size(), stored.size());
        QCOMPARE(
            lower(raw()->columnNames("visits")),
            lower({"Visited", "Station", "Zav_N", "Label", "Result", "Offset_s", "Energy", "Seq"}));
        QCOMPARE(raw()->column("SELECT Seq FROM visits ORDER BY Seq"), (QVariantList{1, 2, 3, 4}));
    }

    // Days include both ends, from midnight to the last second.
    void filters_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<qint64>("factory");  // 0: any
        QTest::addColumn<QDate>("from");      // invalid: open end
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("expected");
        const QDate none;
        const QDate first(2024, 3, 1), second(2024, 3, 2);
        for (Engine engine : test::kEngines) {
            const auto newRow = [engine](const char* name) -> QTestData& {
                return test::engineRow(engine, name);
            };
            newRow("all") << qint64(0) << none << none << QStringList{"a", "b", "c", "d"};
            newRow("one meter") << qint64(1) << none << none << QStringList{"a", "c"};
            newRow("from a day") << qint64(0) << second << none << QStringList{"c", "d"};
            newRow("up to a day") << qint64(0) << none << first << QStringList{"a", "b"};
            newRow("one day, one meter") << qint64(2) << first << first << QStringList{"b"};
            newRow("after the last") << qint64(0) << QDate(2024, 3, 4) << none << QStringList{};
            newRow("absent meter") << qint64(3) << none << none << QStringList{};
        }
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
        QCOMPARE(labels(archive_->visits(maybe(factory != 0, factory), maybe(from.isValid(), from),
                                         maybe(to.isValid(), to))),
                 expected);
    }

    // An archive made before visits were recorded: opened and listed without a change to it
    // (so an archive that cannot be written lists too), then given the table by a store.
    void archiveWithoutTheTable_data() { test::eachEngine(); }
    void archiveWithoutTheTable() {
        QCOMPARE(archive_->storeMonth(5, 1, {1, 2, 3, 4}).status, StoreStatus::Stored);
        archive_.reset();
        const QByteArray before = places_->snapshot(place_);
        auto archive = open();
        QVERIFY(archive);
        QVERIFY(archive->visits(5, {}, {}).isEmpty());
        QCOMPARE(archive->error(), QString());
        QCOMPARE(archive->months({}).size(), 1);
        QCOMPARE(places_->snapshot(place_), before);

        QCOMPARE(archive->storeVisit(visit("2024-03-01 08:00:00", 5, "a")).status,
                 StoreStatus::Stored);
        QCOMPARE(labels(archive->visits({}, {}, {})), QStringList{"a"});
        QCOMPARE(archive->months({}).size(), 1);
    }

    // A record the table must not take is refused before anything is run; a name of 64
    // characters is taken whole, however many bytes or UTF-16 units it has.
    void refusedRecords_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("station");
        QTest::addColumn<bool>("taken");
        const QDateTime time = at("2024-03-01 08:00:00");
        const char32_t smile[] = {0x1F600};
        for (Engine engine : test::kEngines) {
            const auto newRow = [engine](const char* name) -> QTestData& {
                return test::engineRow(engine, name);
            };
            newRow("no time") << QDateTime() << "ws" << false;
            newRow("no station") << time << "" << false;
            newRow("blank station") << time << "   " << false;
            newRow("65 characters") << time << QString(65, 'x') << false;
            newRow("control character") << time << "ws\t1" << false;
            newRow("direction override") << time << "ws\u202E1" << false;
            newRow("64 Cyrillic letters") << time << QString(64, QChar(0x44F)) << true;
            newRow("64 beyond 16 bits") << time << QString::fromUcs4(smile, 1).repeated(64) << true;
        }
    }
    void refusedRecords() {
        QFETCH(QDateTime, when);
        QFETCH(QString, station);
        QFETCH(bool, taken);
        QCOMPARE(archive::isStationName(station), taken || !when.isValid());
        const auto result = archive_->storeVisit({when, station, 7, "a", "ok", {}, {}});
        QCOMPARE(result.status, taken ? StoreStatus::Stored : StoreStatus::Failed);
        QCOMPARE(result.error.isEmpty(), taken);
        const auto rows = archive_->visits({}, {}, {});
        QCOMPARE(rows.size(), taken ? 1 : 0);
        if (taken) QCOMPARE(rows.first().station, station);
        if (!taken) QVERIFY(statements_.isEmpty());
    }

    // A row the database refuses, or a new row that is not made: told, nothing changed, and
    // the archive stores again once the fault is gone.
    void failedStore_data() {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("refused");  // else the row is silently not made
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("told");
        for (Engine engine : test::kEngines) {
            test::engineRow(engine, "refused")
                << true << int(StoreStatus::Failed) << QStringLiteral("disk says no");
            test::engineRow(engine, "no row made")
                << false << int(StoreStatus::NotCreated) << archive::kNotCreated;
        }
    }
    void failedStore() {
        QFETCH(bool, refused);
        QFETCH(int, status);
        QFETCH(QString, told);
        store({visit("2024-03-01 08:00:00", 1, "a")});
        auto db = raw();
        if (refused)
            db->failInserts("refuse", "visits", "disk says no");
        else
            db->ignoreInserts("refuse", "visits");
        const auto result = archive_->storeVisit(visit("2024-03-01 09:00:00", 1, "b"));
        QCOMPARE(int(result.status), status);
        QVERIFY2(result.error.contains(told), qPrintable(result.error));
        QCOMPARE(labels(archive_->visits({}, {}, {})), QStringList{"a"});

        db->dropTrigger("refuse", "visits");
        store({visit("2024-03-01 10:00:00", 1, "c")});
        QCOMPARE(labels(archive_->visits({}, {}, {})), (QStringList{"a", "c"}));
    }

    // Programs storing into a new archive at once, all in one second: the first stores make
    // the table once, no row is lost, each program's rows keep the order it stored them in,
    // and every row has a number of its own, 1 up to their count.
    void storesAtOnce_data() { test::eachEngine(); }
    void storesAtOnce() {
        constexpr int kPrograms = 4;
        constexpr int kEach = 25;
        archive_.reset();
        const QString place = places_->fresh(QStringLiteral("shared.db"));
        std::array<QString, kPrograms> faults;
        std::latch start(kPrograms);
        {
            std::vector<std::jthread> programs;
            for (int p = 0; p < kPrograms; ++p)
                programs.emplace_back([&, p] {
                    start.arrive_and_wait();
                    auto archive = Archive::open(place, &faults[p]);
                    for (int n = 0; archive && n < kEach && faults[p].isEmpty(); ++n)
                        faults[p] = archive
                                        ->storeVisit(visit("2024-03-01 08:00:00", p,
                                                           QStringLiteral("%1-%2").arg(p).arg(n)))
                                        .error;
                });
        }
        for (const QString& fault : faults) QCOMPARE(fault, QString());
        place_ = place;
        const auto archive = open();
        QVERIFY(archive);
        for (int p = 0; p < kPrograms; ++p) {
            QStringList expected;
            for (int n = 0; n < kEach; ++n) expected << QStringLiteral("%1-%2").arg(p).arg(n);
            QCOMPARE(labels(archive->visits(p, {}, {})), expected);
        }
        QVariantList numbers;
        for (int seq = 1; seq <= kPrograms * kEach; ++seq) numbers << seq;
        QCOMPARE(raw()->column("SELECT Seq FROM visits ORDER BY Seq"), numbers);
    }

    // The server ends the archive's connection. In the middle of a store: that store fails
    // with the server's words and stores nothing. While the archive stands idle: the next
    // store, and the next listing, connect again at once.
    void connectionDropped_data() {
        QTest::addColumn<Engine>("engine");
        test::engineRow(Engine::Postgres, "idle and mid-way");
    }
    void connectionDropped() {
        auto admin = raw();
        const auto dropConnection = [&] {
            admin->exec(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM "
                                       "pg_stat_activity WHERE application_name = '%1'")
                            .arg(test::ArchivePlaces::schemaOf(place_)));
        };
        store({visit("2024-03-01 08:00:00", 1, "a")});
        archive_->setStatementRecorder([&](const QString& text) {
            if (text.startsWith("INSERT")) dropConnection();
        });
        const auto cut = archive_->storeVisit(visit("2024-03-01 09:00:00", 1, "b"));
        QCOMPARE(cut.status, StoreStatus::Failed);
        QVERIFY2(cut.error.contains("terminating connection"), qPrintable(cut.error));
        archive_->setStatementRecorder({});
        store({visit("2024-03-01 10:00:00", 1, "c")});

        dropConnection();
        store({visit("2024-03-01 11:00:00", 1, "d")});
        dropConnection();
        QCOMPARE(labels(archive_->visits({}, {}, {})), (QStringList{"a", "c", "d"}));
        QCOMPARE(archive_->error(), QString());
    }
};

QTEST_GUILESS_MAIN(TstVisits)
#include "tst_visits.moc"
