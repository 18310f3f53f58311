#pragma once
// The round file of `vilt-cli round`: one meter a line, port;phone;factory;password;label,
// phone and password may be empty; '#' lines and blank lines are skipped.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace vilt::cli {

// One line of the round file, as it was understood.
struct RoundLine {
    int number = 0;  // in the file, from 1
    QString port;
    QString phone;  // empty: a direct line
    uint32_t factory = 0;
    QString password;  // empty: the session by factory number
    QString label;
    QString error;  // set when the line is malformed
};

// The meters of the file's contents; malformed lines among them, carrying their reason.
QList<RoundLine> parseRoundFile(const QByteArray& contents);

// The same, read from the file at path; none when it cannot be read.
std::optional<QList<RoundLine>> readRoundFile(const QString& path, QString* error);

}  // namespace vilt::cli
