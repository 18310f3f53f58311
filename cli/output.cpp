#include "cli/output.h"

#include <QLocale>
#include <cstdio>

namespace vilt::cli {

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
}
void err(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
}

void outCsv(const QList<sheet::Sheet>& sheets) {
    const QByteArray bytes = sheet::toCsv(sheets, sheet::csvFormat(QLocale()));
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

QString printable(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

}  // namespace vilt::cli
