#include "app/widgets/save_path.h"

#include <QFileDialog>
#include <QFileInfo>

namespace vilt::app {

namespace {

SavePathFunction& savePathFunction() {
    static SavePathFunction function;
    return function;
}

}  // namespace

QString askSavePath(QWidget* parent, const QString& title, const QString& suggested,
                    const QString& filter, const QString& suffix) {
    QString path = savePathFunction()
                       ? savePathFunction()(suggested)
                       : QFileDialog::getSaveFileName(parent, title, suggested, filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
    return path;
}

void setSavePathFunction(SavePathFunction function) {
    savePathFunction() = std::move(function);
}

}  // namespace vilt::app
