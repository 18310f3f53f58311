// vilt-service: the meter service window.

#include <QApplication>
#include <memory>

#include "app/widgets/message_box.h"
#include "app/main_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vilt-service"));
    vilt::app::installTranslations();
    const QStringList arguments = QApplication::arguments();
    // --archive PATH: another archive file than Counter_VILT3.db in the current folder, or a
    // PostgreSQL server (postgresql://USER@HOST[:PORT]/DATABASE).
    const qsizetype archiveAt = arguments.indexOf(QStringLiteral("--archive"));
    const QString archivePath = archiveAt > 0 && archiveAt + 1 < arguments.size()
                                    ? arguments[archiveAt + 1]
                                    : vilt::archive::kDefaultFile;
    std::unique_ptr<vilt::app::MainWindow> form;
    try {
        form = std::make_unique<vilt::app::MainWindow>(nullptr, archivePath);
    } catch (const std::exception& error) {
        vilt::app::showError(QString::fromStdString(error.what()));
        return 1;
    }
    form->show();
    return QApplication::exec();
}
