#include "cli/commands.h"

#include <memory>

#include "archive/archive.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "comm/comm_error.h"

namespace vilt::cli {

namespace {

int identify(MeterLink& link, const QStringList&, const Options& options) {
    const link::SessionOutcome& session = link.session();
    const link::Identity identity = session.identity.value_or(link::Identity{});
    const QString factory = QString::number(session.factory);
    const QString model = QString::number(identity.model);
    const QString version = link::versionText(identity.version);
    if (options.json) {
        out(QStringLiteral("{\"factory\":%1,\"model\":%2,\"version\":%3,\"place\":%4}")
                .arg(factory, model, jsonString(version), jsonString(identity.place)));
    } else {
        out(QStringLiteral("Заводской номер: ") + factory);
        out(QStringLiteral("Модель: ") + model);
        out(QStringLiteral("Версия ПО: ") + version);
        out(QStringLiteral("Место уст.: ") + printable(identity.place));
    }
    return kDone;
}

QList<Command> allCommands() {
    QList<Command> commands{{{"identify"}, 0, nullptr, identify}};
    return commands + meterCommands() + serviceCommands() + readingCommands() + reportCommands() +
           archiveCommands() +
           tariffCommands() + sharedRoundCommands() + roundCommands();
}

// The command whose words begin the command line, with the arguments after them.
std::optional<Command> findCommand(const QStringList& line, QStringList* arguments) {
    for (const Command& command : allCommands()) {
        if (line.mid(0, command.words.size()) != command.words) continue;
        *arguments = line.mid(command.words.size());
        return command;
    }
    return std::nullopt;
}

// The session and the command; a port error ends them, not the hang-up after them.
int runOn(MeterLink& link, const Command& command, const QStringList& arguments,
          const Options& options) {
    try {
        if (const auto failure = link.connect()) {
            err(failure->text);
            return failure->code;
        }
        return command.run(link, arguments, options);
    } catch (const std::exception& error) {
        err(QString::fromStdString(error.what()));
        return kNoLink;
    }
}

// The command as the task of a visit through the call: dial, session, the command, close,
// the quiet second and the hang-up. The command's own status wins over what came after it.
int runThroughCall(MeterLink& link, const Command& command, const QStringList& arguments,
                   const Options& options) {
    int status = kDone;
    station::Plan plan = link.plan();
    plan.task = [&](station::Station&) {
        try {
            status = command.run(link, arguments, options);
        } catch (const comm::CommError&) {
            throw;  // the visit says it, and still hangs up
        } catch (const std::exception& error) {
            err(QString::fromStdString(error.what()));
            status = kNoLink;
        }
    };
    const auto visit = link.visit(plan);
    if (!visit) return kUsage;
    for (const Failure& failure : link.failures(*visit)) {
        err(failure.text);
        if (status == kDone) status = failure.code;
    }
    return status;
}

}  // namespace

int runCommand(const Options& options) {
    QStringList arguments;
    const auto command = findCommand(options.command, &arguments);
    if (!command) {
        err(QStringLiteral("unknown command '%1'").arg(options.command.join(' ')));
        return kUsage;
    }
    if (command->argumentCount != kAnyArguments && arguments.size() != command->argumentCount) {
        err(QStringLiteral("'%1' takes %2 argument(s)")
                .arg(command->words.join(' '))
                .arg(command->argumentCount));
        return kUsage;
    }
    if (command->check) {
        if (const auto reason = command->check(arguments)) {
            err(*reason);
            return kUsage;
        }
    }
    if (options.meter.phone && command->runHere) {
        err(QStringLiteral(
            "--dial is for a command that talks to a meter (round dials from its file)"));
        return kUsage;
    }
    try {
        if (command->runHere) return command->runHere(arguments, options);
        std::unique_ptr<archive::Archive> archive;
        if (command->stores && command->stores(arguments) && !options.noStore) {
            QString error;
            archive = archive::Archive::open(options.archive, &error);
            if (!archive) {
                err(error);
                return kArchive;
            }
        }
        MeterLink link(options, archive.get());
        if (!options.meter.phone) return runOn(link, *command, arguments, options);
        return runThroughCall(link, *command, arguments, options);
    } catch (const std::exception& error) {  // port errors
        err(QString::fromStdString(error.what()));
        return kNoLink;
    }
}

}  // namespace vilt::cli
