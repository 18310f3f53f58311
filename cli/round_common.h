#pragma once
// What the two rounds of the command line share: their flags' values, the settings every
// meter takes from the command line, and the stop an interrupt asks for.

#include <QStringList>
#include <atomic>
#include <optional>

#include "cli/numbers.h"
#include "cli/options.h"
#include "station/round.h"

namespace vilt::cli {

// --sync-clock SECONDS, which both rounds take.
inline const QString kSyncFlag = QStringLiteral("--sync-clock");
inline constexpr NumberRange kSyncRange{0, 86400 * 366};

// The text of a flag given as "--flag VALUE" or "--flag=VALUE"; i moves past it. None when
// VALUE is missing.
std::optional<QString> flagText(const QStringList& arguments, qsizetype& i, const QString& flag);
// The value of a flag (given as "--flag VALUE" or "--flag=VALUE") within its range; i moves
// past it. None, and *error, when it is missing or out of range.
std::optional<qint64> flagValue(const QStringList& arguments, qsizetype& i, const QString& flag,
                                NumberRange range, const QString& unit, QString* error);
bool isFlag(const QString& argument, const QString& flag);

// The settings every meter of a round takes from the options.
station::RoundSettings roundSettings(const Options& options, std::optional<qint64> syncAbove);

// While one lives, an interrupt (Ctrl+C) or a terminate stops the round: the visits under way
// close their sessions and hang up, the meters not begun are left. A second one ends the
// program.
class StopOnSignals {
  public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;
};
// The stop the signals set, for the round's waits.
const std::atomic<bool>& roundStop();

}  // namespace vilt::cli
