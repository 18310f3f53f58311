// vilt-screenshots DIR [--archive PATH]: the window made as vilt-service makes it, each
// page pictured into DIR, then closed. Exit 1 when a picture could not be written.

#include <QApplication>

#include "app/start.h"
#include "screenshot_tour.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) return 2;
    const auto window = vilt::app::startMainWindow(arguments);
    if (!window) return 1;
    const bool saved = vilt::app::screenshotTour(*window, arguments[1]);
    window->close();
    return saved ? 0 : 1;
}
