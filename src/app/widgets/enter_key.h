#pragma once
// Enter and Return press a focused push button, as Space does: a keyboard user expects it,
// and a main window has no default button to take the key.

class QWidget;

namespace vilt::app {

// For every push button below root.
void letEnterPressButtons(QWidget& root);

}  // namespace vilt::app
