#pragma once
// Where a file the user saves goes: the save dialog, or in tests a function of their own.

#include <QString>
#include <functional>

class QWidget;

namespace vilt::app {

// The path chosen in the save dialog (suggested: the folder and name offered); empty when the
// user cancelled. A chosen name without a suffix gets `suffix`.
QString askSavePath(QWidget* parent, const QString& title, const QString& suggested,
                    const QString& filter, const QString& suffix);

// A function given the suggested path that returns the chosen one (empty: cancelled), in place
// of the dialog; an empty function brings the dialog back.
using SavePathFunction = std::function<QString(const QString& suggested)>;
void setSavePathFunction(SavePathFunction function);

}  // namespace vilt::app
