// The full exchange cycle against the fast one, over a pseudo-terminal to the virtual meter
// with line-speed emulation and its think time, beside the physical floor: request and
// reply line time (10 bit times a byte) plus the meter's latency.
// A full tariff read is its thirteen exchanges, without the operation's pauses between them.
// Run by hand: bench_exchange [runs]

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QList>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "comm/tcomm.h"
#include "link/exchange.h"
#include "link/waiter.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

constexpr int kLatencyMs = 20;
constexpr int kTimeOut = 300;
constexpr int kProfileDays = 30;

struct Exchange1 {
    link::Command command;
    QByteArray payload;
};

struct Task {
    const char* name;
    QList<Exchange1> exchanges;
};

uint8_t bcd(int value) {
    return static_cast<uint8_t>((value / 10) * 16 + value % 10);
}

QList<Task> tasks() {
    Task journals{"six journals", {}};
    for (char j = 0; j < 6; ++j) journals.exchanges << Exchange1{link::Command::ReadEvent, {1, j}};
    Task profiles{"a month of profiles", {}};
    const QDate today = QDate::currentDate();
    for (int d = kProfileDays; d >= 1; --d) {
        const QDate day = today.addDays(-d);
        QByteArray payload;
        payload.append(char(bcd(day.day()))).append(char(bcd(day.month())));
        payload.append(char(bcd(day.year() % 100)));
        profiles.exchanges << Exchange1{link::Command::ReadProfile, payload};
    }
    Task tariffs{"a full tariff read", {{link::Command::ReadCalendar, {}}}};
    for (char n = 1; n <= 12; ++n) tariffs.exchanges << Exchange1{link::Command::ReadZones, {1, n}};
    return {{"identity", {{link::Command::Identity, {}}}},
            {"clock read", {{link::Command::ReadClock, {}}}},
            journals,
            profiles,
            tariffs};
}

double lineMs(int bytes, int bps) {
    return bytes * 10 * 1000.0 / bps;
}

double floorMs(const Task& task, int bps) {
    double ms = 0;
    for (const Exchange1& e : task.exchanges) {
        const int reply = link::commandInfo(e.command).replyLength;
        ms += lineMs(link::requestLength(e.command), bps) + lineMs(reply, bps) + kLatencyMs;
    }
    return ms;
}

// Median milliseconds of one run of the task; -1 when an exchange failed.
double timeTask(link::Exchange& exchange, const Task& task, int runs) {
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (const Exchange1& e : task.exchanges) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(e.payload.constData());
            const auto check = exchange.run(e.command, std::span(bytes, size_t(e.payload.size())));
            if (check != link::Check::Ok) return -1;
        }
        times << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool measure(comm::BaudRate rate, int runs) {
    const int bps = comm::bitsPerSecond(rate);
    test::SimProcess sim(
        {"--baud", QString::number(bps), "--latency", QString::number(kLatencyMs)});
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "vilt-sim: %s\n", qPrintable(error));
        return false;
    }
    comm::TComm port;
    port.SetDeviceName(sim.slavePath());
    port.SetBaudRate(rate);
    port.Open();
    link::SystemWaiter waiter;
    link::Exchange exchange(port, waiter);
    exchange.meterAddress = 12345;
    exchange.setWaitMs(kTimeOut);
    for (const Task& task : tasks()) {
        exchange.setFast(false);
        const double full = timeTask(exchange, task, runs);
        exchange.setFast(true);
        const double fast = timeTask(exchange, task, runs);
        const double floor = floorMs(task, bps);
        std::printf("| %5d | %-20s | %9.0f | %9.0f | %7.0f | %5.2f | %5.1f |\n", bps, task.name,
                    full, fast, floor, fast / floor, full / fast);
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString(argv[1]).toInt()) : 3;
    std::printf("TimeOut %d ms, meter latency %d ms, median of %d runs; -1: an exchange failed\n",
                kTimeOut, kLatencyMs, runs);
    std::printf(
        "| bit/s | task                 | full (ms) | fast (ms) | floor   | fast/floor | "
        "full/fast |\n|---|---|---|---|---|---|---|\n");
    bool ok = true;
    for (const auto rate : {comm::BaudRate::br2400, comm::BaudRate::br9600})
        ok = measure(rate, runs) && ok;
    return ok ? 0 : 1;
}
