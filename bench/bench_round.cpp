// A round of meters behind dial-up modems, one port at a time against all ports at once.
// Each modem is a virtual one with a phonebook reaching its meters; the simulator's own
// dial delay (300 ms), the meter's think time (20 ms) and the line time at 9600 bit/s are
// emulated, and the round runs as vilt-cli runs it by default: the dial dialogue, the
// session at the call's TimeOut of 1000 ms with the full exchange (each reply read after
// the TimeOut), energy with the month-end readings (stored in a fresh archive), the clock,
// the journals and the hang-up with its guard times: about 50 s a meter.
// Run by hand: bench_round [modems [meters-per-modem]]   (default 4 and 6)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

#include "support/sim_process.h"

using namespace vilt;

namespace {

constexpr int kFirstFactory = 100001;
constexpr int kRoundMs = 3'600'000;  // a round that takes longer has hung

struct Modems {
    std::vector<std::unique_ptr<test::SimProcess>> sims;
    QString roundFile;
};

bool writeFile(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// The modems with their books; the round file lists the meters modem by modem in turn, as a
// list sorted by anything but the port would.
std::optional<Modems> startModems(const QTemporaryDir& dir, int modems, int perModem) {
    Modems started;
    QStringList lines;
    for (int m = 0; m < modems; ++m) {
        QString book;
        for (int k = 0; k < perModem; ++k)
            book += QStringLiteral("555%1%2 %3\n").arg(m).arg(k).arg(kFirstFactory + m * 100 + k);
        const QString bookPath = dir.filePath(QStringLiteral("book%1.txt").arg(m));
        if (!writeFile(bookPath, book)) return std::nullopt;
        started.sims.push_back(std::make_unique<test::SimProcess>(
            QStringList{"--modem", "--phonebook", bookPath, "--baud", "9600"}));
        QString error;
        if (!started.sims.back()->start(&error)) {
            std::fprintf(stderr, "vilt-sim: %s\n", qPrintable(error));
            return std::nullopt;
        }
    }
    for (int k = 0; k < perModem; ++k)
        for (int m = 0; m < modems; ++m)
            lines << QStringLiteral("%1;555%2%3;%4;;meter %2.%3")
                         .arg(started.sims[m]->slavePath())
                         .arg(m)
                         .arg(k)
                         .arg(kFirstFactory + m * 100 + k);
    started.roundFile = dir.filePath("round.csv");
    if (!writeFile(started.roundFile, lines.join('\n') + '\n')) return std::nullopt;
    return started;
}

// Seconds the round took; negative when it did not end with every meter read.
double timeRound(const QTemporaryDir& dir, const QString& roundFile, int lines) {
    const QString archive = dir.filePath(QStringLiteral("lines%1.db").arg(lines));
    QElapsedTimer timer;
    timer.start();
    const test::CliRun run = test::runCli(
        {"--archive", archive, "round", roundFile, "--lines", QString::number(lines)}, {},
        kRoundMs);
    const double seconds = double(timer.elapsed()) / 1000;
    if (run.exitCode != 0) {
        std::fprintf(stderr, "--lines %d: exit %d\n%s\n%s", lines, run.exitCode,
                     qPrintable(run.out), qPrintable(run.err.right(4000)));
        return -1;
    }
    return seconds;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int modems = argc > 1 ? std::max(1, QString(argv[1]).toInt()) : 4;
    const int perModem = argc > 2 ? std::max(1, QString(argv[2]).toInt()) : 6;
    QTemporaryDir dir;
    const auto started = startModems(dir, modems, perModem);
    if (!started) return 1;
    std::printf("%d meters behind %d modems (dial delay 300 ms, latency 20 ms, 9600 bit/s)\n",
                modems * perModem, modems);
    std::printf("| --lines | round (s) | per meter (s) |\n|---|---|---|\n");
    const int total = modems * perModem;
    double one = 0;
    for (const int lines : {1, modems}) {
        const double seconds = timeRound(dir, started->roundFile, lines);
        if (seconds < 0) return 1;
        std::printf("| %7d | %9.1f | %13.2f |\n", lines, seconds, seconds / total);
        std::fflush(stdout);
        if (lines == 1) one = seconds;
        else std::printf("speed-up %.2fx\n", one / seconds);
    }
    return 0;
}
