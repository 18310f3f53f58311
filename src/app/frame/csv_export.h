#pragma once
// Export of a page's table for a spreadsheet: a button that asks where to save and writes
// the CSV file in the conventions of the workstation's locale.

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "sheet/csv.h"

class QPushButton;
class QWidget;

namespace vilt::app {

class Presenter;

// Saves the sheets to path; a failure is told in a message box. Whether it was saved.
bool saveSheets(Presenter& presenter, const QString& path, const QList<sheet::Sheet>& sheets);

// The button «CSV…» named objectName: asks for a file (suggesting fileName in the home
// folder), then saves what sheets() gives then; none (the page has told why): nothing saved.
using SheetSource = std::function<std::optional<QList<sheet::Sheet>>()>;
QPushButton* csvButton(const QString& objectName, const QString& fileName, Presenter& presenter,
                       SheetSource sheets, QWidget* parent);

}  // namespace vilt::app
