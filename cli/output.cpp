#include "cli/output.h"

#include <cstdio>

namespace vilt::cli {

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
}
void err(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

}  // namespace vilt::cli
