// vilt-service: the meter service window.

#include <QApplication>
#include <memory>

#include "app/message_box.h"
#include "app/screenshot_tour.h"
#include "app/tform1.h"

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
    std::unique_ptr<vilt::app::TForm1> form;
    try {
        form = std::make_unique<vilt::app::TForm1>(nullptr, archivePath);
    } catch (const std::exception& error) {
        vilt::app::showError(QString::fromStdString(error.what()));
        return 1;
    }
    form->show();
    // --screenshots DIR: a picture of each page, for documentation and review.
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at > 0 && at + 1 < arguments.size()) {
        const bool saved = vilt::app::screenshotTour(*form, arguments[at + 1]);
        form->close();
        return saved ? 0 : 1;
    }
    return QApplication::exec();
}
