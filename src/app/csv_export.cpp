#include "app/csv_export.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>

#include "app/presenter.h"

namespace vilt::app {

namespace {

const QString kFilter = QStringLiteral("Таблица CSV (*.csv)");

SavePathFunction& savePathFunction() {
    static SavePathFunction function;
    return function;
}

QString askSavePath(QWidget* parent, const QString& suggested) {
    if (savePathFunction()) return savePathFunction()(suggested);
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить в CSV"), suggested,
                                        kFilter);
}

}  // namespace

bool saveSheets(Presenter& presenter, const QString& path, const QList<sheet::Sheet>& sheets) {
    if (const auto error = sheet::saveCsv(path, sheets, QLocale())) {
        presenter.message(*error);
        return false;
    }
    return true;
}

QPushButton* csvButton(const QString& objectName, const QString& fileName, Presenter& presenter,
                       SheetSource sheets, QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("CSV…"), parent);
    button->setObjectName(objectName);
    button->setToolTip(QStringLiteral("Сохранить таблицу для электронной таблицы"));
    button->setAccessibleName(QStringLiteral("Сохранить в CSV"));
    QObject::connect(button, &QPushButton::clicked, parent, [=, &presenter] {
        const auto tables = sheets();
        if (!tables) return;
        QString path = askSavePath(parent, QDir::home().filePath(fileName));
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
        saveSheets(presenter, path, *tables);
    });
    return button;
}

void setSavePathFunction(SavePathFunction function) {
    savePathFunction() = std::move(function);
}

}  // namespace vilt::app
