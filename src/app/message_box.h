#pragma once
// Every message box of the program goes through here, so tests can record them instead
// of blocking on a modal dialog.

#include <QString>
#include <functional>

namespace vilt::app {

using MessageBoxFunction = std::function<void(const QString& text)>;

void showMessage(const QString& text);
// Replaces the message box; an empty function brings the real one back.
void setMessageBoxFunction(MessageBoxFunction function);

}  // namespace vilt::app
