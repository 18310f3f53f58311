#pragma once
// The window as the program starts it: the application's name and Qt's Russian texts, the
// archive that --archive names (PATH, or postgresql://USER@HOST[:PORT]/DATABASE; by default
// Counter_VILT3.db in the current folder), the window made and shown. An archive that cannot
// be opened is told in a message box, and there is no window.

#include <QStringList>
#include <memory>

#include "app/main_window.h"

namespace vilt::app {

std::unique_ptr<MainWindow> startMainWindow(const QStringList& arguments);

}  // namespace vilt::app
