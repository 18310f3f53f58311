#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace vilt::app {

namespace {
MessageBoxFunction& current() {
    static MessageBoxFunction function;
    return function;
}
}  // namespace

void showMessage(const QString& text) {
    if (current()) {
        current()(text);
        return;
    }
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                             text);
}

void setMessageBoxFunction(MessageBoxFunction function) {
    current() = std::move(function);
}

}  // namespace vilt::app
