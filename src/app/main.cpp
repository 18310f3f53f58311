// vilt-service: the meter service window.

#include <QApplication>

#include "app/start.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const auto window = vilt::app::startMainWindow(QApplication::arguments());
    if (!window) return 1;
    return QApplication::exec();
}
