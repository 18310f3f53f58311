// vilt-screenshots DIR [--archive PATH]: the window made as vilt-service makes it, each
// page pictured into DIR, then closed. Exit 1 when a picture could not be written.

#include <QApplication>
#include <memory>

#include "app/main_window.h"
#include "app/widgets/message_box.h"
#include "screenshot_tour.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vilt-service"));
    vilt::app::installTranslations();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2) return 2;
    const qsizetype archiveAt = arguments.indexOf(QStringLiteral("--archive"));
    const QString archivePath = archiveAt > 0 && archiveAt + 1 < arguments.size()
                                    ? arguments[archiveAt + 1]
                                    : vilt::archive::kDefaultFile;
    std::unique_ptr<vilt::app::MainWindow> window;
    try {
        window = std::make_unique<vilt::app::MainWindow>(nullptr, archivePath);
    } catch (const std::exception& error) {
        vilt::app::showError(QString::fromStdString(error.what()));
        return 1;
    }
    window->show();
    const bool saved = vilt::app::screenshotTour(*window, arguments[1]);
    window->close();
    return saved ? 0 : 1;
}
