#include "cli/options.h"

#include <QFile>
#include <QMap>
#include <cstdio>

#include "cli/numbers.h"
#include "station/round_file.h"

namespace vilt::cli {

namespace {

const QMap<qint64, comm::BaudRate> kSpeeds = {{1200, comm::BaudRate::br1200},
                                              {2400, comm::BaudRate::br2400},
                                              {4800, comm::BaudRate::br4800},
                                              {9600, comm::BaudRate::br9600}};
const QStringList kModes = {"local", "factory", "password"};

bool setOption(Options& o, const QString& name, const QString& value, QString* error) {
    bool ok = true;
    if (name == "--port") {
        o.meter.port = value;
        ok = !value.isEmpty();
    } else if (name == "--speed") {
        const auto speed = parseNumber(value, kSpeedRange);
        ok = speed && kSpeeds.contains(*speed);
        if (ok) o.meter.speed = kSpeeds.value(*speed);
    } else if (name == "--timeout") {
        const auto ms = parseNumber(value, kWaitRange);
        ok = ms.has_value();
        o.meter.waitGiven = true;
        o.meter.waitMs = static_cast<int>(ms.value_or(0));
    } else if (name == "--mode") {
        const qsizetype mode = kModes.indexOf(value);
        ok = mode >= 0;
        if (ok) o.meter.access = static_cast<link::AccessMode>(mode);
    } else if (name == "--factory") {
        const auto number = parseNumber(value, kFactoryRange);
        ok = number.has_value();
        o.meter.factory = static_cast<uint32_t>(number.value_or(0));
    } else if (name == "--trace-file") {
        o.traceFile = value;
        ok = !value.isEmpty();
    } else if (name == "--archive") {
        o.archive = value;
        ok = !value.isEmpty();
    } else if (name == "--station") {
        if (!archive::isStationName(value)) {
            // Not echoed: it may hold what steers a terminal.
            *error =
                QStringLiteral("bad value for --station: a name of 1 to %1 printable characters")
                    .arg(archive::kStationLength);
            return false;
        }
        o.station = value;
    } else if (name == "--dial") {
        if (const auto reason = checkNumber(value)) {
            *error = QStringLiteral("bad value for --dial: %1").arg(*reason);
            return false;
        }
        o.meter.phone = value;
    } else if (name == "--password") {
        // "-": the first line of standard input, read once the whole line is parsed.
        ok = value == "-" || parseNumber(value, kPasswordRange).has_value();
        o.meter.password = value;
        o.passwordGiven = true;
    } else if (name == "--password-file") {
        o.passwordFile = value;
        ok = !value.isEmpty();
    } else {
        *error = QStringLiteral("unknown option %1").arg(name);
        return false;
    }
    if (!ok) {
        // A password is never echoed, not even a mistyped one.
        *error = name == "--password"
                     ? QStringLiteral("bad value for --password: not a whole number")
                     : QStringLiteral("bad value for %1: '%2'").arg(name, value);
    }
    return ok;
}

// The first line of a password's source, its line end dropped; none when nothing could be
// read. What was read is never part of a message.
std::optional<QString> firstLine(QFile& source) {
    constexpr qint64 kLongestLine = 4096;
    const QByteArray line = source.readLine(kLongestLine);
    if (line.isEmpty() && source.error() != QFileDevice::NoError) return std::nullopt;
    QString text = QString::fromUtf8(line);
    if (text.endsWith('\n')) text.chop(1);
    if (text.endsWith('\r')) text.chop(1);
    return text;
}

bool isPassword(const std::optional<QString>& text) {
    return text && parseNumber(*text, kPasswordRange).has_value();
}

bool passwordFromFile(Options& o, QString* error) {
    QFile file(o.passwordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file '%1': %2")
                     .arg(o.passwordFile, file.errorString());
        return false;
    }
    const auto line = firstLine(file);
    if (!isPassword(line)) {
        *error = QStringLiteral("bad password file '%1': its first line is not a whole number")
                     .arg(o.passwordFile);
        return false;
    }
    o.meter.password = *line;
    return true;
}

bool passwordFromInput(Options& o, QString* error) {
    QFile input;
    const auto line = input.open(stdin, QIODevice::ReadOnly) ? firstLine(input) : std::nullopt;
    if (!isPassword(line)) {
        *error = QStringLiteral(
            "bad value for --password -: the first line of standard input is not a whole number");
        return false;
    }
    o.meter.password = *line;
    return true;
}

// The password from the one source given: --password (its value, or standard input for
// "-"), --password-file, or else the environment's VILT_PASSWORD.
bool takePassword(Options& o, QString* error) {
    if (o.passwordGiven && !o.passwordFile.isEmpty()) {
        *error = QStringLiteral("give --password or --password-file, not both");
        return false;
    }
    if (!o.passwordFile.isEmpty()) return passwordFromFile(o, error);
    if (o.passwordGiven) return o.meter.password != "-" || passwordFromInput(o, error);
    const QString variable = qEnvironmentVariable("VILT_PASSWORD");
    if (variable.isEmpty()) return true;
    if (!isPassword(variable)) {
        *error = QStringLiteral("bad value in VILT_PASSWORD: not a whole number");
        return false;
    }
    o.meter.password = variable;
    return true;
}

}  // namespace

std::optional<Options> parseOptions(const QStringList& arguments, QString* error) {
    Options o;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--json") {
            o.json = true;
        } else if (arg == "--csv") {
            o.csv = true;
        } else if (arg == "--trace") {
            o.trace = true;
        } else if (arg == "--fast") {
            o.meter.fast = true;
        } else if (arg == "--no-store") {
            o.noStore = true;
        } else if (arg.startsWith("--") && o.command.isEmpty()) {
            const qsizetype eq = arg.indexOf('=');
            const QString name = eq < 0 ? arg : arg.left(eq);
            QString value;
            if (eq >= 0) {
                value = arg.mid(eq + 1);
            } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith("--")) {
                value = arguments[++i];
            } else {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return std::nullopt;
            }
            if (!setOption(o, name, value, error)) return std::nullopt;
        } else {
            o.command << arg;
        }
    }
    if (o.command.isEmpty()) {
        *error = QStringLiteral("no command given");
        return std::nullopt;
    }
    if (o.csv && o.json) {
        *error = QStringLiteral("--csv and --json exclude each other");
        return std::nullopt;
    }
    if (!takePassword(o, error)) return std::nullopt;
    if (o.meter.access == link::AccessMode::WithPassword && o.meter.password.isEmpty()) {
        *error = QStringLiteral(
            "--mode password needs a password: --password, --password-file or VILT_PASSWORD");
        return std::nullopt;
    }
    return o;
}

std::optional<QString> checkNumber(const QString& number) {
    return station::phoneNumberProblem(number);
}

QString usage() {
    return QStringLiteral(
        "usage: vilt-cli [options] COMMAND [ARGS]\n"
        "\n"
        "options:\n"
        "  --port NAME        Com1 … Com12 (through the port map) or a device path [Com1]\n"
        "  --speed BPS        1200, 2400, 4800 or 9600 [2400]\n"
        "  --timeout MS       wait before reading each reply, 0 … 999999 [300]\n"
        "  --mode MODE        local, factory or password [local]\n"
        "  --factory N        factory number of the meter, 0 … 16777215 [0]\n"
        "  --password P       login password (a whole number), for --mode password; \"-\"\n"
        "                     reads it from the first line of standard input. It shows in\n"
        "                     the process list: prefer --password-file or VILT_PASSWORD\n"
        "  --password-file FILE  the password is the first line of FILE\n"
        "  --fast             take each reply as soon as it is whole (no pacing; --timeout\n"
        "                     is the longest wait)\n"
        "  --json             print the result as JSON\n"
        "  --csv              print the table as CSV for a spreadsheet, in the conventions\n"
        "                     of the locale (LANG): ';' and a decimal comma in Russian;\n"
        "                     UTF-8 with a byte-order mark\n"
        "  --trace            every frame sent and received, decoded, on standard error\n"
        "  --trace-file PATH  the same into a file\n"
        "  --archive PATH     the archive file [Counter_VILT3.db in the current folder], or\n"
        "                     a PostgreSQL server: postgresql://USER@HOST[:PORT]/DATABASE\n"
        "                     (no password in it: libpq's password file or PGPASSWORD)\n"
        "  --no-store         read, but store nothing in the archive\n"
        "  --station NAME     the name a round's visits are recorded under (1 to 64\n"
        "                     printable characters) [this computer's host name]\n"
        "  --dial NUMBER      the modem on --port calls the meter first (digits only); the\n"
        "                     session then runs at 9600 with a wait of 1000 ms unless\n"
        "                     --timeout is given, and the call is hung up after the command\n"
        "                     whatever its outcome; the modem's answers go to standard error\n"
        "\n"
        "commands:\n"
        "  identify                 factory number, model, software version and place\n"
        "  clock read               the meter's time, date, day of the week and DST permission\n"
        "  clock write \"YYYY-MM-DD HH:MM:SS\"   set the meter's clock (its DST permission kept)\n"
        "  clock sync               set the meter's clock to this computer's\n"
        "  dst write on|off         permit or forbid the change between winter and summer time\n"
        "  events read              the six event journals\n"
        "  place write TEXT         the place of installation (16 characters at most)\n"
        "  reset                    reset the meter\n"
        "  password write NEW       change the password (the session ends)\n"
        "  speed write 2400|4800|9600  the speed of the meter's serial interface\n"
        "  limits read              the load limits (kW, kW*h) and their flag bytes\n"
        "  limits write [--power KW] [--energy T1,T2,T3,T4] [--flags HEX] [--aux HEX]\n"
        "                           set the load limits; what is left out keeps the meter's\n"
        "  calib read               the calibration byte, as a signed value\n"
        "  calib write [+|-]N       write the calibration byte, N from 0 to 31\n"
        "  serial write N           write the meter's number\n"
        "  out512                   switch the 512 Hz test output on\n"
        "  energy read [--months]   the energy counters T1..T4 and their total (kW*h; reactive\n"
        "                           ones on models above 6); --months also the twelve month-end\n"
        "                           readings, stored in the archive\n"
        "  profile read FROM [TO]   the daily power profile of each day FROM..TO (YYYY-MM-DD,\n"
        "                           366 days at most), stored in the archive; a day without a\n"
        "                           profile is told and skipped, a day without link after three\n"
        "                           attempts ends the range\n"
        "  report FILE.pdf [--day DAY]  a visit report (A4, Russian): identity and place, the\n"
        "                           clock and its offset, the counters and month-end\n"
        "                           readings, the journals and the profile of DAY (YYYY-MM-DD,\n"
        "                           yesterday by default) as a chart; the readings are stored\n"
        "                           as usual; the report is written with what was read, what\n"
        "                           was not is named in it and on standard error (exit 1)\n"
        "  archive profiles [--factory N] [--from DAY] [--to DAY]\n"
        "                           the stored profiles, without a meter; a value never written\n"
        "                           shows as 0 (null in JSON)\n"
        "  archive months [--factory N]  the stored month-end readings, without a meter\n"
        "  archive visits [--factory N] [--from DAY] [--to DAY]\n"
        "                           the recorded visits of rounds and of the window's batch,\n"
        "                           by time, without a meter\n"
        "  tariff read FILE         the tariff schedule and special days into a tariff file\n"
        "                           (season end dates 31.n: the meter does not hold them);\n"
        "                           the file is saved only when everything was read\n"
        "  tariff write FILE        a tariff file's schedule and its first 24 special days\n"
        "                           into the meter\n"
        "  tariff show FILE         a tariff file as text, without a meter; --json gives\n"
        "                           tariffs 1-4 (T1-T4) per hour, day types 0 working,\n"
        "                           1 holiday\n"
        "  tariff verify FILE       compare the meter with a tariff file: every zone hour and\n"
        "                           special day that differs (not the season end dates; the\n"
        "                           file's first 24 special days, as many as the meter holds)\n"
        "  round FILE [--sync-clock SECONDS] [--lines N]\n"
        "                           each meter of FILE (lines port;phone;factory;\n"
        "                           password;label, phone and password may be empty, # and\n"
        "                           blank lines skipped): dialled when it has a phone, the\n"
        "                           session by password when it has one, else by factory\n"
        "                           number; energy with the month-end readings (stored in\n"
        "                           the archive), clock and events read; the call hung up.\n"
        "                           --sync-clock also sets each clock off by more than\n"
        "                           SECONDS. Each port's meters in turn, the ports at once\n"
        "                           (--lines: at most N ports at once, 1 ... 64). Progress\n"
        "                           lines on standard error naming the port, a summary in\n"
        "                           the file's order on standard output (--json: a list);\n"
        "                           a malformed line or a meter that fails is told and the\n"
        "                           round goes on; Ctrl+C stops it (calls hung up);\n"
        "                           exit 1 when any failed\n"
        "  round import FILE        (--archive postgresql://…) the round file's meters as the\n"
        "                           round the team shares on the server, replacing it\n"
        "  round --shared URL [--station NAME] [--modems P,P] [--sync-clock S]\n"
        "                           take the shared round's meters one by one on this\n"
        "                           station's lines (--modems: its modem ports) until none\n"
        "                           is left; every meter is visited once by one station\n"
        "\n"
        "environment:\n"
        "  VILT_PASSWORD      the login password when neither --password nor\n"
        "                     --password-file is given\n"
        "\n"
        "Values are in kW*h with a decimal point, exact to the hundredth.\n"
        "\n"
        "exit status: 0 done, 1 no link with the meter (the reason on standard error),\n"
        "2 usage error, a port that cannot be opened, or a tariff file that cannot be\n"
        "read, is damaged or cannot be saved, 3 no profile for any day of the range,\n"
        "4 the meter differs from the tariff file, 5 the archive cannot be opened or did\n"
        "not take a reading, 6 the command was done but the modem did not confirm the\n"
        "hang-up (the call may still stand); a call that did not connect is 1\n");
}

}  // namespace vilt::cli
