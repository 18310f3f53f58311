#include "station/round_file.h"

#include <QBuffer>
#include <QFile>
#include <QStringList>
#include <QTextStream>

#include "dialup/dial_up.h"

namespace vilt::station {

namespace {

constexpr int kFields = 5;  // port;phone;factory;password;label

RoundLine parseLine(const QString& text, int number) {
    RoundLine line;
    line.number = number;
    const QStringList fields = text.split(QLatin1Char(';'));
    if (fields.size() != kFields) {
        line.error = QStringLiteral("%1 fields where port;phone;factory;password;label are 5")
                         .arg(fields.size());
        return line;
    }
    line.port = fields[0].trimmed();
    line.phone = fields[1].trimmed();
    line.password = fields[3].trimmed();
    line.label = fields[4].trimmed();
    if (line.port.isEmpty()) {
        line.error = QStringLiteral("no port");
        return line;
    }
    if (!line.phone.isEmpty()) {
        if (const auto reason = phoneNumberProblem(line.phone)) {
            line.error = QStringLiteral("phone: ") + *reason;
            return line;
        }
    }
    const auto factory = link::parseNumber(fields[2].trimmed(), kFactoryRange);
    if (!factory) {
        line.error = QStringLiteral("factory number '%1' is not one of 0 … %2")
                         .arg(fields[2].trimmed())
                         .arg(kFactoryRange.highest);
        return line;
    }
    line.factory = static_cast<uint32_t>(*factory);
    if (!line.password.isEmpty() && !link::parseNumber(line.password, kPasswordRange)) {
        line.error = QStringLiteral("the password must be a whole number");
        return line;
    }
    return line;
}

}  // namespace

std::optional<QString> phoneNumberProblem(const QString& number) {
    if (number.isEmpty()) return QStringLiteral("the telephone number is empty");
    if (number.size() > dialup::DialUp::kLongestNumber)
        return QStringLiteral("a telephone number has %1 digits at most")
            .arg(dialup::DialUp::kLongestNumber);
    for (const QChar c : number)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QStringLiteral("'%1' is not all digits").arg(number);
    return std::nullopt;
}

QList<RoundLine> parseRoundFile(const QByteArray& contents) {
    // Read as a text file is: CRs dropped, the encoding taken from a byte order mark (UTF-8
    // without one).
    QBuffer buffer;
    buffer.setData(contents);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QList<RoundLine> lines;
    QTextStream stream(&buffer);
    int number = 0;
    while (!stream.atEnd()) {
        const QString text = stream.readLine();
        ++number;
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        lines << parseLine(trimmed, number);
    }
    return lines;
}

std::optional<QList<RoundLine>> readRoundFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read the round file '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return parseRoundFile(file.readAll());
}

}  // namespace vilt::station
