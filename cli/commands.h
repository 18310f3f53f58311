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
    std::function<int(MeterLink& link, const QStringList& arguments, const Options& options)> run;
};

// The commands that talk to the meter, beside identify.
QList<Command> meterCommands();
// The load limits and the service commands.
QList<Command> serviceCommands();

// Runs the command of the options against the meter; returns the exit status.
int runCommand(const Options& options);

}  // namespace vilt::cli
