#pragma once

#include <QString>

namespace vilt::cli {

// A JSON string literal, quotes included; non-ASCII text is kept as it is (UTF-8 output).
QString jsonString(const QString& text);

}  // namespace vilt::cli
