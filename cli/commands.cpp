#include "commands.h"

#include <QMap>
#include <cstdio>
#include <functional>

#include "comm_error.h"
#include "json.h"
#include "meter_link.h"

namespace vilt::cli {

namespace {

void out(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}
void err(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stderr);
}

int identify(MeterLink& link, const Options& options) {
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

using Command = std::function<int(MeterLink&, const Options&)>;

const QMap<QString, Command>& commands() {
    static const QMap<QString, Command> kCommands = {{"identify", identify}};
    return kCommands;
}

}  // namespace

int runCommand(const Options& options) {
    const QString name = options.command.first();
    if (!commands().contains(name)) {
        err(QStringLiteral("unknown command '%1'").arg(name));
        return kUsage;
    }
    try {
        MeterLink link(options);
        if (const auto failure = link.connect()) {
            err(failure->text);
            return failure->code;
        }
        return commands().value(name)(link, options);
    } catch (const comm::CommError& error) {
        err(QString::fromStdString(error.what()));
        return kNoLink;
    }
}

}  // namespace vilt::cli
