// vilt-cli: the meter operations from the command line, for scripts and diagnostics.

#include <QCoreApplication>
#include <cstdio>

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/options.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains("--help") || arguments.contains("-h")) {
        std::fputs(qPrintable(vilt::cli::usage()), stdout);
        return vilt::cli::kDone;
    }
    QString error;
    const auto options = vilt::cli::parseOptions(arguments, &error);
    if (!options) {
        std::fputs(qPrintable(QStringLiteral("vilt-cli: %1\n\n").arg(error) + vilt::cli::usage()),
                   stderr);
        return vilt::cli::kUsage;
    }
    return vilt::cli::runCommand(*options);
}
