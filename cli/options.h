#pragma once
// The command line of vilt-cli.

#include <QString>
#include <QStringList>
#include <optional>

#include "archive/archive.h"
#include "comm/baud_rate.h"
#include "link/session.h"

namespace vilt::cli {

struct Options {
    QString port = QStringLiteral("Com1");
    comm::BaudRate speed = comm::BaudRate::br2400;
    int timeOut = 300;
    bool timeOutGiven = false;  // --timeout on the command line: it wins over the dial's 1000
    link::AccessMode mode = link::AccessMode::Local;
    uint32_t factory = 0;
    QString password;
    bool passwordGiven = false;  // --password on the command line ("-": standard input)
    QString passwordFile;        // --password-file: the password is its first line
    bool json = false;
    bool csv = false;    // the table as CSV in the locale's conventions
    bool fast = false;   // the fast exchange: a reply taken as soon as it is whole
    bool trace = false;  // the decoded traffic on standard error
    QString traceFile;   // the decoded traffic into this file
    QString archive = archive::kDefaultFile;  // where readings are stored and listed from
    bool noStore = false;                     // readings are read, not stored
    std::optional<QString> dial;              // the number the modem on the port dials first
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
