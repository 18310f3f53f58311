#include "app/start.h"

#include <QApplication>

#include "app/widgets/message_box.h"

namespace vilt::app {

std::unique_ptr<MainWindow> startMainWindow(const QStringList& arguments) {
    QApplication::setApplicationName(QStringLiteral("vilt-service"));
    installTranslations();
    const qsizetype archiveAt = arguments.indexOf(QStringLiteral("--archive"));
    const QString archivePath = archiveAt > 0 && archiveAt + 1 < arguments.size()
                                    ? arguments[archiveAt + 1]
                                    : archive::kDefaultFile;
    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>(nullptr, archivePath);
    } catch (const std::exception& error) {
        showError(QString::fromStdString(error.what()));
        return nullptr;
    }
    window->show();
    return window;
}

}  // namespace vilt::app
