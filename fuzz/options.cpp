// The command line of vilt-cli on any arguments (the input split at zero bytes): refused with
// a reason, or taken as options within their ranges and a command, which written back as
// arguments give the same options again. The text shown on a refusal is built as vilt-cli
// builds it.

#include "cli/options.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/numbers.h"
#include "comm/baud_rate.h"

using namespace vilt;
using namespace vilt::cli;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "options: %s\n", what);
    std::abort();
}

const QStringList kFlags = {"--json", "--trace", "--fast", "--no-store"};
const QStringList kModes = {"local", "factory", "password"};

void checkTaken(const Options& o) {
    if (o.command.isEmpty() || o.command.first().startsWith(QStringLiteral("--")))
        fail("no command, or an option taken as one");
    for (const QString& flag : kFlags)
        if (o.command.contains(flag)) fail("a flag left in the command");
    if (o.meter.port.isEmpty() || o.archive.isEmpty()) fail("an empty port or archive");
    if (!comm::sessionSpeedIndex(o.meter.speed)) fail("a speed no session uses");
    if (o.meter.waitMs < kWaitRange.lowest || o.meter.waitMs > kWaitRange.highest)
        fail("the wait out of range");
    if (o.meter.factory > uint32_t(kFactoryRange.highest)) fail("factory out of range");
    if (!o.meter.password.isEmpty() && !parseNumber(o.meter.password, kPasswordRange))
        fail("a password that is no number");
    if (o.meter.access == link::AccessMode::WithPassword && o.meter.password.isEmpty())
        fail("password mode without a password");
    if (o.meter.phone && checkNumber(*o.meter.phone)) fail("a number the modem cannot dial");
}

QStringList written(const Options& o) {
    QStringList arguments{QStringLiteral("--port=") + o.meter.port,
                          QStringLiteral("--speed=%1").arg(comm::bitsPerSecond(o.meter.speed)),
                          QStringLiteral("--mode=") + kModes[static_cast<int>(o.meter.access)],
                          QStringLiteral("--factory=%1").arg(o.meter.factory),
                          QStringLiteral("--archive=") + o.archive};
    if (o.meter.waitGiven) arguments << QStringLiteral("--timeout=%1").arg(o.meter.waitMs);
    if (!o.meter.password.isEmpty()) arguments << QStringLiteral("--password=") + o.meter.password;
    if (!o.traceFile.isEmpty()) arguments << QStringLiteral("--trace-file=") + o.traceFile;
    if (o.meter.phone) arguments << QStringLiteral("--dial=") + *o.meter.phone;
    const bool flags[] = {o.json, o.trace, o.meter.fast, o.noStore};
    for (int i = 0; i < 4; ++i)
        if (flags[i]) arguments << kFlags[i];
    return arguments + o.command;
}

bool same(const Options& a, const Options& b) {
    return a.meter.port == b.meter.port && a.meter.speed == b.meter.speed && a.meter.waitMs == b.meter.waitMs &&
           a.meter.waitGiven == b.meter.waitGiven && a.meter.access == b.meter.access && a.meter.factory == b.meter.factory &&
           a.meter.password == b.meter.password && a.json == b.json && a.meter.fast == b.meter.fast && a.trace == b.trace &&
           a.traceFile == b.traceFile && a.archive == b.archive && a.noStore == b.noStore &&
           a.meter.phone == b.meter.phone && a.command == b.command;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList arguments;
    for (const QByteArray& argument :
         QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\0'))
        arguments << QString::fromUtf8(argument);
    QString error;
    const auto options = parseOptions(arguments, &error);
    if (!options) {
        if (error.isEmpty()) fail("refused without a reason");
        const QByteArray shown =
            (QStringLiteral("vilt-cli: %1\n\n").arg(error) + usage()).toLocal8Bit();
        if (!shown.startsWith("vilt-cli: ")) fail("the refusal shown otherwise");
        return 0;
    }
    checkTaken(*options);
    QString again;
    const auto reparsed = parseOptions(written(*options), &again);
    if (!reparsed || !same(*options, *reparsed)) fail("written back, read otherwise");
    return 0;
}
