#include "app/widgets/message_box.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace vilt::app {

namespace {
MessageBoxFunction& current() {
    static MessageBoxFunction function;
    return function;
}
}  // namespace

namespace {
const QString kBoxTitle = QStringLiteral("ВИЛТ");

void show(QMessageBox::Icon icon, const QString& text) {
    if (current()) {
        current()(text);
        return;
    }
    QMessageBox box(icon, kBoxTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
}  // namespace

void showMessage(const QString& text) {
    show(QMessageBox::Information, text);
}

void showError(const QString& text) {
    show(QMessageBox::Warning, text);
}

void installTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

void setMessageBoxFunction(MessageBoxFunction function) {
    current() = std::move(function);
}

}  // namespace vilt::app
