#include "commands.h"

#include "comm_error.h"
#include "conversion_error.h"
#include "json.h"
#include "meter_link.h"
#include "output.h"

namespace vilt::cli {

namespace {

int identify(MeterLink& link, const QStringList&, const Options& options) {
    const HeadlessView& view = link.view();
    const QString factory = QString::number(view.factoryNumber());
    if (options.json) {
        out(QStringLiteral("{\"factory\":%1,\"model\":%2,\"version\":%3,\"place\":%4}")
                .arg(factory, view.model(), jsonString(view.version()), jsonString(view.place())));
    } else {
        out(QStringLiteral("Заводской номер: ") + factory);
        out(QStringLiteral("Модель: ") + view.model());
        out(QStringLiteral("Версия ПО: ") + view.version());
        out(QStringLiteral("Место уст.: ") + view.place());
    }
    return kDone;
}

QList<Command> allCommands() {
    QList<Command> commands{{{"identify"}, 0, nullptr, identify}};
    return commands + meterCommands();
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

}  // namespace

int runCommand(const Options& options) {
    QStringList arguments;
    const auto command = findCommand(options.command, &arguments);
    if (!command) {
        err(QStringLiteral("unknown command '%1'").arg(options.command.join(' ')));
        return kUsage;
    }
    if (arguments.size() != command->argumentCount) {
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
    try {
        MeterLink link(options);
        if (const auto failure = link.connect()) {
            err(failure->text);
            return failure->code;
        }
        return command->run(link, arguments, options);
    } catch (const std::exception& error) {  // port and conversion errors
        err(QString::fromStdString(error.what()));
        return kNoLink;
    }
}

}  // namespace vilt::cli
