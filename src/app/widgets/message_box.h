#pragma once
// Every message box of the program goes through here, so tests can record them instead
// of blocking on a modal dialog.

#include <QString>
#include <functional>

namespace vilt::app {

using MessageBoxFunction = std::function<void(const QString& text)>;

void showMessage(const QString& text);
// An error that ended a handler: the same, with the warning icon.
void showError(const QString& text);
// Qt's own texts (dialog buttons, editing menus) in Russian.
void installTranslations();
// Replaces the message box; an empty function brings the real one back.
void setMessageBoxFunction(MessageBoxFunction function);

}  // namespace vilt::app
