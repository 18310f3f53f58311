#pragma once

#include <QString>

namespace vilt::app {

class MainWindow;

// Opens each visible page in turn and saves a picture of the window for each; then, on the
// first listed port, connects and reads the clock, reads the event journals and saves the
// connection and journal pages. Returns false when a picture could not be written.
bool screenshotTour(MainWindow& form, const QString& folder);

}  // namespace vilt::app
