// The archive on a PostgreSQL server against the file: storing one profile day (a new row,
// then the same row again), and four writers storing 1000 days each at the same moment,
// each over its own connection, counting the days per second and the rows lost (stores told
// Stored whose row is missing or not whole; the goal is 0). Medians in milliseconds.
//
//   bench_archive_server [days per writer]     default: 1000
// The server is VILT_TEST_PG_URL (bench/run.sh starts one); without it only the file runs.

#include <QCoreApplication>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "archive/archive.h"
#include "support/archive_places.h"

using vilt::archive::Archive;
using vilt::archive::StoreStatus;
using vilt::test::Engine;

namespace {

constexpr int kRuns = 15;
constexpr int kWriters = 4;

using Slots = std::array<double, vilt::link::kProfileSlotCount>;

Slots slotValues(double base) {
    Slots values{};
    for (int k = 0; k < vilt::link::kProfileSlotCount; ++k) values[k] = base + k / 4.0;
    return values;
}

std::unique_ptr<Archive> openOrExit(const QString& place) {
    QString error;
    auto archive = Archive::open(place, &error);
    if (!archive) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    return archive;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& op) {
    const auto start = std::chrono::steady_clock::now();
    op();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Median ms of storing a new day, then of storing the same day again.
std::pair<double, double> storeOne(const QString& place) {
    auto archive = openOrExit(place);
    std::vector<double> fresh, again;
    QDate day(2100, 1, 1);
    for (int run = 0; run < kRuns + 2; ++run) {
        day = day.addDays(1);
        bool ok = true;
        const double first = millisecondsOf([&] {
            ok &= archive->storeProfile(day, 4242, slotValues(run)).status == StoreStatus::Stored;
        });
        const double second = millisecondsOf([&] {
            ok &= archive->storeProfile(day, 4242, slotValues(run)).status == StoreStatus::Stored;
        });
        if (!ok) std::fprintf(stderr, "a store failed\n");
        if (run < 2) continue;  // two warm-up runs
        fresh.push_back(first);
        again.push_back(second);
    }
    return {median(fresh), median(again)};
}

struct Crowd {
    double daysPerSecond = 0;
    int failed = 0;  // stores told Failed or NotCreated
    int lost = 0;    // stores told Stored whose row is not there whole
};

// kWriters threads, each with its own archive connection and its own meter, storing the same
// days in the same order from the same moment.
Crowd crowd(const QString& place, int days) {
    openOrExit(place);  // the tables, made before the clock runs
    std::atomic<int> failed = 0;
    std::barrier start(kWriters + 1);
    std::vector<std::jthread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            auto archive = openOrExit(place);
            start.arrive_and_wait();
            for (int d = 0; d < days; ++d)
                if (archive->storeProfile(QDate(2000, 1, 1).addDays(d), w + 1, slotValues(d))
                        .status != StoreStatus::Stored)
                    ++failed;
        });
    start.arrive_and_wait();
    const auto begun = std::chrono::steady_clock::now();
    writers.clear();
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - begun;

    Crowd result;
    result.daysPerSecond = kWriters * days / spent.count();
    result.failed = failed;
    int whole = 0;
    auto archive = openOrExit(place);
    for (const auto& row : archive->profiles({}, {}, {})) {
        const int d = int(QDate(2000, 1, 1).daysTo(row.day));
        bool same = true;
        for (int k = 0; k < vilt::link::kProfileSlotCount; ++k) same &= row.values[k] == slotValues(d)[k];
        whole += same ? 1 : 0;
    }
    result.lost = kWriters * days - result.failed - whole;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    std::vector<Engine> engines{Engine::Sqlite};
    if (!vilt::test::serverUrl().isEmpty())
        engines.push_back(Engine::Postgres);
    else
        std::fprintf(stderr, "VILT_TEST_PG_URL is not set: the file only\n");
    std::printf("%-11s %12s %12s %14s %8s %8s\n", "engine", "store new", "store again",
                "4 writers d/s", "failed", "lost");
    for (const Engine engine : engines) {
        vilt::test::ArchivePlaces places(engine);
        const auto [fresh, again] = storeOne(places.fresh("one.db"));
        const Crowd result = crowd(places.fresh("crowd.db"), days);
        std::printf("%-11s %12.3f %12.3f %14.0f %8d %8d\n",
                    qPrintable(vilt::test::engineName(engine)), fresh, again, result.daysPerSecond,
                    result.failed, result.lost);
        std::fflush(stdout);
    }
    return 0;
}
