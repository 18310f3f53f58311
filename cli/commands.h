#pragma once

#include <QStringList>
#include <functional>
#include <optional>

#include "cli/options.h"

namespace vilt::cli {

class MeterLink;

inline constexpr int kAnyArguments = -1;

struct Command {
    QStringList words;  // "clock", "read"
    int argumentCount;  // after the words; kAnyArguments when the command reads its own
    // Checks the arguments before the port is touched; the reason when they are wrong.
    std::function<std::optional<QString>(const QStringList& arguments)> check;
    // The work with the meter; the port is open and the session too.
    std::function<int(MeterLink& link, const QStringList& arguments, const Options& options)> run;
    // Whether the command stores into the archive with these arguments: the archive is then
    // opened before the port (unless --no-store), so a file that is not one costs no
    // exchange, and MeterLink::archive() hands it to run.
    std::function<bool(const QStringList& arguments)> stores = nullptr;
    // Set for a command that needs no meter (it reads the archive or a file): run in place
    // of run, and no port is opened.
    std::function<int(const QStringList& arguments, const Options& options)> runHere = nullptr;
};

// The commands that talk to the meter, beside identify.
QList<Command> meterCommands();
// The load limits and the service commands.
QList<Command> serviceCommands();
// Energy counters, month-end readings and daily profiles, read and stored in the archive.
QList<Command> readingCommands();
// The visit report: the readings it needs, stored, and the PDF file.
QList<Command> reportCommands();
// What the archive holds, listed without a meter.
QList<Command> archiveCommands();
// The tariff schedule and special days between the meter and a tariff file.
QList<Command> tariffCommands();

// The round of meters from a file; it opens its own links, one meter after another.
QList<Command> roundCommands();
// The round a team shares on the archive's server, and filling it from a round file; before
// roundCommands, whose words they begin with.
QList<Command> sharedRoundCommands();

// Runs the command of the options against the meter; returns the exit status.
int runCommand(const Options& options);

}  // namespace vilt::cli
