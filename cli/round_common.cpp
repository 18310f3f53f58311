#include "cli/round_common.h"

#include <csignal>

namespace vilt::cli {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    g_stop.store(true);
    std::signal(signal, SIG_DFL);
}

}  // namespace

std::optional<QString> flagText(const QStringList& arguments, qsizetype& i, const QString& flag) {
    if (arguments[i] != flag) return arguments[i].mid(flag.size() + 1);
    if (i + 1 >= arguments.size()) return std::nullopt;
    return arguments[++i];
}

std::optional<qint64> flagValue(const QStringList& arguments, qsizetype& i, const QString& flag,
                                NumberRange range, const QString& unit, QString* error) {
    const std::optional<QString> value = flagText(arguments, i, flag);
    if (!value) {
        *error = QStringLiteral("%1 needs a number of %2").arg(flag, unit);
        return std::nullopt;
    }
    const auto number = parseNumber(*value, range);
    if (!number)
        *error = QStringLiteral("bad value for %1: '%2' (%3, %4 … %5)")
                     .arg(flag, *value, unit)
                     .arg(range.lowest)
                     .arg(range.highest);
    return number;
}

bool isFlag(const QString& argument, const QString& flag) {
    return argument == flag || argument.startsWith(flag + QLatin1Char('='));
}

station::RoundSettings roundSettings(const Options& options, std::optional<qint64> syncAbove) {
    station::RoundSettings settings;
    settings.speed = options.meter.speed;
    settings.waitMs = options.meter.waitMs;
    settings.fast = options.meter.fast;
    settings.syncAbove = syncAbove;
    settings.waitGiven = options.meter.waitGiven;
    settings.pauseMs = 0;
    if (!options.noStore) settings.archive = options.archive;
    return settings;
}

StopOnSignals::StopOnSignals() {
    g_stop.store(false);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

StopOnSignals::~StopOnSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

const std::atomic<bool>& roundStop() {
    return g_stop;
}

}  // namespace vilt::cli
