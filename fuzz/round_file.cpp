// The round file parser on any bytes: every line it takes is whole (a port, a phone of digits
// or none, a factory number in range, a password that is a number or none, no blanks around
// a field), lines keep their numbers in the file, and the lines it takes, written out again,
// read back the same.

#include "cli/round_file.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cli/numbers.h"
#include "cli/options.h"

using namespace vilt::cli;

namespace {

[[noreturn]] void fail(const char* what, int line) {
    std::fprintf(stderr, "round_file: line %d: %s\n", line, what);
    std::abort();
}

bool bare(const QString& field) {
    return field == field.trimmed() && !field.contains(QLatin1Char(';'));
}

void checkTaken(const RoundLine& line) {
    if (line.port.isEmpty() || line.port.startsWith(QLatin1Char('#')))
        fail("no port, or a comment taken", line.number);
    if (!bare(line.port) || !bare(line.phone) || !bare(line.password) || !bare(line.label))
        fail("a field with blanks around it or a ';'", line.number);
    if (!line.phone.isEmpty() && checkNumber(line.phone))
        fail("a phone the modem cannot dial", line.number);
    if (line.factory > uint32_t(kFactoryRange.highest)) fail("factory out of range", line.number);
    if (!line.password.isEmpty() && !parseNumber(line.password, kPasswordRange))
        fail("a password that is no number", line.number);
}

// Text read from a UTF-16 file may hold unpaired surrogates, which no UTF-8 file can.
bool writable(const RoundLine& line) {
    return line.port.isValidUtf16() && line.label.isValidUtf16();
}

QByteArray written(const RoundLine& line) {
    return QStringLiteral("%1;%2;%3;%4;%5\n")
        .arg(line.port, line.phone, QString::number(line.factory), line.password, line.label)
        .toUtf8();
}

void checkRoundTrip(const QList<RoundLine>& lines) {
    QList<RoundLine> taken;
    QByteArray text = "# written again\n";  // no byte order mark can start it
    for (const RoundLine& line : lines) {
        if (!line.error.isEmpty() || !writable(line)) continue;
        taken << line;
        text += written(line);
    }
    const QList<RoundLine> again = parseRoundFile(text);
    if (again.size() != taken.size()) fail("written again, a line more or less", 0);
    for (qsizetype i = 0; i < taken.size(); ++i) {
        const RoundLine& a = taken[i];
        const RoundLine& b = again[i];
        if (b.number != i + 2 || !b.error.isEmpty() || a.port != b.port || a.phone != b.phone ||
            a.factory != b.factory || a.password != b.password || a.label != b.label)
            fail("written again, read otherwise", a.number);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<RoundLine> lines = parseRoundFile(bytes);
    const qsizetype lineCount = bytes.count('\n') + 1;
    int previous = 0;
    for (const RoundLine& line : lines) {
        if (line.number <= previous || line.number > lineCount) fail("numbered wrong", line.number);
        previous = line.number;
        if (line.error.isEmpty()) checkTaken(line);
    }
    checkRoundTrip(lines);
    return 0;
}
