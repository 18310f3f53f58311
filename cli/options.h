#pragma once
// The command line of vilt-cli.

#include <QString>
#include <QStringList>
#include <optional>

#include "archive/archive.h"
#include "comm/baud_rate.h"
#include "station/settings.h"

namespace vilt::cli {

struct Options {
    // The line and the meter: --port, --speed, --timeout, --fast, --mode, --factory, the
    // password however given, --dial.
    station::Settings meter;
    bool passwordGiven = false;  // --password on the command line ("-": standard input)
    QString passwordFile;        // --password-file: the password is its first line
    bool json = false;
    bool csv = false;    // the table as CSV in the locale's conventions
    bool trace = false;  // the decoded traffic on standard error
    QString traceFile;   // the decoded traffic into this file
    QString archive = archive::kDefaultFile;  // where readings are stored and listed from
    bool noStore = false;                     // readings are read, not stored
    QStringList command;                      // the command and its arguments
    // The name the visits of a round are recorded under in the archive.
    QString station = archive::defaultStation();
};

// On a usage error returns none and fills error.
std::optional<Options> parseOptions(const QStringList& arguments, QString* error);

QString usage();

// A telephone number as the modem takes it: digits only, as many as its send area holds.
// The reason when it is not one.
std::optional<QString> checkNumber(const QString& number);

}  // namespace vilt::cli
