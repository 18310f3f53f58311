// Time of one identity exchange over a pseudo-terminal against the virtual meter with
// line-speed emulation, beside the nominal time: pacing + TimeOut + request and reply
// line time (10 bit times a byte). Run by hand: bench_identity [exchanges]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "comm/tcomm.h"
#include "link/exchange.h"
#include "link/waiter.h"
#include "support/sim_process.h"

using namespace vilt;

namespace {

constexpr int kRequestBytes = 6;
constexpr int kReplyBytes = 28;
constexpr int kPacingMs = 20 * 2 + 20;

double lineMs(int bytes, int bps) {
    return bytes * 10 * 1000.0 / bps;
}

bool measure(comm::BaudRate rate, int timeOut, int exchanges) {
    const int bps = comm::bitsPerSecond(rate);
    test::SimProcess sim({"--baud", QString::number(bps)});
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
    exchange.setTimeOut(timeOut);
    int failures = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < exchanges; ++i)
        failures += exchange.run(link::Command::Identity) != link::Check::Ok;
    const double measured = double(timer.nsecsElapsed()) / 1e6 / exchanges;
    const double nominal =
        kPacingMs + timeOut + lineMs(kRequestBytes, bps) + lineMs(kReplyBytes, bps);
    std::printf("%5d bit/s  TimeOut %4d ms  measured %7.1f ms  nominal %7.1f ms  failed %d/%d\n",
                bps, timeOut, measured, nominal, failures, exchanges);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::max(1, QString(argv[1]).toInt()) : 10;
    bool ok = true;
    for (const auto rate : {comm::BaudRate::br2400, comm::BaudRate::br9600}) {
        // The default wait, and the shortest one that still lets the reply arrive.
        ok = measure(rate, 300, exchanges) && ok;
        ok = measure(rate, 150, exchanges) && ok;
    }
    return ok ? 0 : 1;
}
