// A round file made into the round several stations share on the archive's server.

#include "cli/round_import.h"

#include "archive/archive.h"
#include "archive/shared_round.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/round_file.h"

namespace vilt::cli {

namespace {

// A direct meter's port field names the station it hangs on: NAME:PORT.
std::optional<std::pair<QString, QString>> stationPort(const QString& field) {
    const qsizetype colon = field.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon + 1 >= field.size()) return std::nullopt;
    return std::pair{field.left(colon), field.mid(colon + 1)};
}

}  // namespace

std::optional<QList<archive::RoundMeter>> sharedMeters(const QList<RoundLine>& lines,
                                                        QStringList* problems) {
    QList<archive::RoundMeter> meters;
    for (const RoundLine& line : lines) {
        if (!line.error.isEmpty()) {
            *problems << QStringLiteral("line %1: %2").arg(line.number).arg(line.error);
            continue;
        }
        archive::RoundMeter meter;
        meter.line = line.number;
        meter.label = line.label;
        meter.factory = line.factory;
        meter.password = line.password;
        meter.phone = line.phone;
        // A meter with a phone is called from any station's modem: its port is not kept.
        if (line.phone.isEmpty()) {
            const auto place = stationPort(line.port);
            if (!place) {
                *problems << QStringLiteral(
                                 "line %1: a meter without a telephone number needs the station "
                                 "it hangs on, as STATION:PORT, not '%2'")
                                 .arg(line.number)
                                 .arg(line.port);
                continue;
            }
            meter.station = place->first;
            meter.port = place->second;
        }
        meters << meter;
    }
    if (!problems->isEmpty()) return std::nullopt;
    return meters;
}

int importRound(const QStringList& arguments, const Options& options) {
    if (!archive::isServerAddress(options.archive)) {
        err(QStringLiteral("a shared round is kept in an archive on a server: give --archive "
                           "postgresql://USER@HOST[:PORT]/DATABASE"));
        return kUsage;
    }
    QString error;
    const auto lines = readRoundFile(arguments.value(0), &error);
    if (!lines) {
        err(error);
        return kUsage;
    }
    QStringList problems;
    const auto meters = sharedMeters(*lines, &problems);
    if (!meters) {
        for (const QString& problem : problems)
            err(QStringLiteral("%1: %2").arg(arguments.value(0), printable(problem)));
        err(QStringLiteral("nothing imported"));
        return kUsage;
    }
    if (const QString failed = archive::importRound(options.archive, *meters); !failed.isEmpty()) {
        err(failed);
        return kArchive;
    }
    out(QStringLiteral("%1 meters in the shared round of %2")
            .arg(meters->size())
            .arg(printable(options.archive)));
    return kDone;
}

}  // namespace vilt::cli
