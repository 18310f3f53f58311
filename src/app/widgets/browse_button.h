#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace vilt::app {

// A browse button: an arrow glyph without a caption, named for a screen reader.
QPushButton* browseButton(const QString& name, bool forward, const QString& spoken,
                          QWidget* parent);

}  // namespace vilt::app
