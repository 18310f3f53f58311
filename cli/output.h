#pragma once

#include <QString>

namespace vilt::cli {

void out(const QString& line);  // standard output, one line
void err(const QString& line);  // standard error, one line

}  // namespace vilt::cli
