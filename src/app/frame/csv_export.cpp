#include "app/frame/csv_export.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>

#include "app/frame/presenter.h"
#include "app/widgets/save_path.h"

namespace vilt::app {

namespace {

const QString kFilter = QStringLiteral("Таблица CSV (*.csv)");

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
    // Several pages have one: a screen reader names the table too ("…: месяцы").
    button->setAccessibleName(
        QStringLiteral("Сохранить в CSV: %1").arg(QFileInfo(fileName).completeBaseName()));
    QObject::connect(button, &QPushButton::clicked, parent, [=, &presenter] {
        const auto tables = sheets();
        if (!tables) return;
        const QString path = askSavePath(parent, QStringLiteral("Сохранить в CSV"),
                                         QDir::home().filePath(fileName), kFilter,
                                         QStringLiteral("csv"));
        if (path.isEmpty()) return;
        saveSheets(presenter, path, *tables);
    });
    return button;
}


}  // namespace vilt::app
