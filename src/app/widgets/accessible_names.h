#pragma once
// The names a screen reader announces: each control is named by what a sighted user reads
// beside it (its label, the caption it sits in, or its hint).

class QWidget;

namespace vilt::app {

void nameControls(QWidget& form);

}  // namespace vilt::app
