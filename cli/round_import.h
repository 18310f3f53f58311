#pragma once
// `round import FILE`: the meters of a round file made into the round the stations of a team
// share on the archive's server (see archive/shared_round.h).

#include <QList>
#include <QStringList>
#include <optional>

#include "archive/shared_round.h"
#include "cli/options.h"
#include "cli/round_file.h"

namespace vilt::cli {

// The shared round's meters of a round file's lines; none, with every problem, when a line is
// malformed or a meter without a phone does not name its station (STATION:PORT).
std::optional<QList<archive::RoundMeter>> sharedMeters(const QList<RoundLine>& lines,
                                                        QStringList* problems);

// The command: exit 0 with the count, 2 for a file that cannot be used (nothing imported), 5
// when the server refuses.
int importRound(const QStringList& arguments, const Options& options);

}  // namespace vilt::cli
