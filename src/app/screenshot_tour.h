#pragma once

#include <QString>

namespace vilt::app {

class TForm1;

// Opens each visible page in turn and saves a picture of the window for each, then
// connects on the first listed port and saves one more. Returns false when a picture
// could not be written.
bool screenshotTour(TForm1& form, const QString& folder);

}  // namespace vilt::app
