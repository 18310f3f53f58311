// Archive costs against the size of srez: storing one profile, one browse step, and a
// filtered search that finds a number near the end or finds nothing. Each figure is the
// median of several runs, in milliseconds; none of them should grow with the table.
//
//   bench_archive [rows ...]        default: 1000 100000 1000000

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "archive/archive.h"

using vilt::archive::Archive;

namespace {

constexpr int kRuns = 15;
constexpr qint64 kNumbers = 1000;       // factory numbers 1..1000, one row each per day
constexpr qint64 kNearEnd = 9'000'001;  // one row, five rows before the end
constexpr qint64 kAbsent = 9'000'002;   // no row

// srez filled with rows day by day, every day all numbers, all 48 slots written.
bool fill(const QString& path, qint64 rows, QString* plan) {
    {
        QString error;
        if (!Archive::open(path, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
    }
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        QStringList columns;
        for (int k = 0; k < vilt::link::kProfileSlotCount; ++k)
            columns << QStringLiteral("((i * 7 + %1) % 32768) / 100.0").arg(k);
        const QString number = QStringLiteral("CASE WHEN i = %1 THEN %2 ELSE i % %3 + 1 END")
                                   .arg(rows - 5)
                                   .arg(kNearEnd)
                                   .arg(kNumbers);
        const QStringList statements{
            "PRAGMA synchronous = OFF",
            "BEGIN",
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < %1) INSERT INTO srez SELECT date('1990-01-01', '+' || "
                           "(i / %2) || ' days'), %3, %4 FROM n")
                .arg(rows - 1)
                .arg(kNumbers)
                .arg(number, columns.join(", ")),
            "COMMIT",
            "PRAGMA synchronous = FULL",
        };
        for (const QString& statement : statements) {
            if (ok && !query.exec(statement)) {
                std::fprintf(stderr, "fill: %s\n", qPrintable(query.lastError().text()));
                ok = false;
            }
        }
        if (ok && plan) {
            // How the filtered seek is answered: by the number index, never a scan.
            query.exec(
                "EXPLAIN QUERY PLAN SELECT rowid FROM srez WHERE rowid >= 1 AND "
                "Zav_N = 5 ORDER BY rowid ASC LIMIT 1");
            while (query.next()) *plan += query.value(3).toString();
        }
    }
    QSqlDatabase::removeDatabase("fill");
    return ok;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median in ms of op, with prepare run untimed before each run.
double measure(const std::function<void()>& op, const std::function<void()>& prepare = {}) {
    std::vector<double> times;
    for (int run = 0; run < kRuns + 2; ++run) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        op();
        const std::chrono::duration<double, std::milli> spent =
            std::chrono::steady_clock::now() - start;
        if (run >= 2) times.push_back(spent.count());  // two warm-up runs
    }
    return median(times);
}

void expect(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "unexpected result: %s\n", what);
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<qint64> sizes{1000, 100000, 1000000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i) sizes.push_back(QByteArray(argv[i]).toLongLong());
    }
    std::printf("%10s %12s %12s %12s %12s %12s %10s\n", "rows", "store new", "store again", "step",
                "find near", "find absent", "file MB");
    QString plan;
    for (const qint64 rows : sizes) {
        QTemporaryDir dir;
        const QString path = dir.filePath(vilt::archive::kDefaultFile);
        if (rows < 10 || !fill(path, rows, plan.isEmpty() ? &plan : nullptr)) return 1;
        QString error;
        auto archive = Archive::open(path, &error);
        expect(archive != nullptr, "open");

        std::array<double, vilt::link::kProfileSlotCount> values{};
        for (int k = 0; k < vilt::link::kProfileSlotCount; ++k) values[k] = k * 1.25;
        QDate day(2100, 1, 1);
        const double storeNew = measure([&] {
            day = day.addDays(1);
            expect(archive->storeProfile(day, 4242, values).status ==
                       vilt::archive::StoreStatus::Stored,
                   "store");
        });
        const double storeAgain = measure([&] {
            expect(archive->storeProfile(day, 4242, values).status ==
                       vilt::archive::StoreStatus::Stored,
                   "store again");
        });
        const double step =
            measure([&] { expect(archive->stepProfile(true, {}).has_value(), "step"); });
        // Each search starts on the first row: a search that finds nothing puts it there.
        const QString absent = QString::number(kAbsent);
        const auto toFirst = [&] { expect(!archive->stepProfile(true, absent), "to first"); };
        const double near = measure(
            [&] {
                const auto row = archive->stepProfile(true, QString::number(kNearEnd));
                expect(row && row->factory == kNearEnd, "near");
            },
            toFirst);
        const double none =
            measure([&] { expect(!archive->stepProfile(true, absent), "absent"); }, toFirst);
        std::printf("%10lld %12.3f %12.3f %12.3f %12.3f %12.3f %10.1f\n", rows, storeNew,
                    storeAgain, step, near, none, double(QFileInfo(path).size()) / 1e6);
        std::fflush(stdout);
    }
    std::printf("filtered seek: %s\n", qPrintable(plan));
    return 0;
}
