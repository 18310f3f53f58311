#pragma once
// A radio button that sits in the caption of the group box it selects. It lives beside the
// box, not inside it, so it stays usable while the box is disabled.

#include <QGroupBox>
#include <QRadioButton>

namespace vilt::app {

// Returns the widget to put in a layout: the box with the radio button over its caption.
QWidget* withCaptionRadio(QGroupBox* box, QRadioButton* radio);

}  // namespace vilt::app
