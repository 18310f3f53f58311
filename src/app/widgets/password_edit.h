#pragma once
// A password field that shows each typed character as "*", whatever the style's habit.

#include <QLineEdit>

namespace vilt::app {

QLineEdit* makePasswordEdit(const QString& objectName, QWidget* parent);

}  // namespace vilt::app
