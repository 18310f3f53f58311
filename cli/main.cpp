// vilt-cli: the meter operations from the command line, for scripts and diagnostics.

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/commands.h"
#include "cli/meter_link.h"
#include "cli/options.h"

namespace {

// The report draws its pages and its chart, which takes Qt's graphics (fonts), though never a
// screen: off-screen unless the user names a platform.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    bool draws = false;
    for (int i = 1; i < argc; ++i) draws = draws || std::strcmp(argv[i], "report") == 0;
    if (!draws) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char* argv[]) {
    const auto app = makeApplication(argc, argv);
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
