#pragma once

#include <QString>

#include "sheet/csv.h"

namespace vilt::cli {

void out(const QString& line);  // standard output, one line
void err(const QString& line);  // standard error, one line

// Sheets as CSV on standard output, in the conventions of the locale.
void outCsv(const QList<sheet::Sheet>& sheets);

// Text from outside (the meter, the modem, a file) as it may reach a terminal: control
// characters (C0, DEL, C1) written as \xHH, so none of them steers the terminal or breaks
// a line. Every other character is kept.
QString printable(const QString& text);

}  // namespace vilt::cli
