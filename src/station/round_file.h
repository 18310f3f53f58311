#pragma once
// The round file: one meter a line, port;phone;factory;password;label, phone and password
// may be empty; '#' lines and blank lines are skipped. The command line and the window read
// it alike.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

#include "link/numbers.h"

namespace vilt::station {

inline constexpr link::NumberRange kPasswordRange{std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()};
inline constexpr link::NumberRange kFactoryRange{0, 16777215};

// A telephone number as the modem takes it: digits only, as many as its send area holds.
// The reason when it is not one.
std::optional<QString> phoneNumberProblem(const QString& number);

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

}  // namespace vilt::station
