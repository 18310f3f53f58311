// vilt-sim: a virtual meter on a pseudo-terminal, for tests and demos.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdio>
#include <optional>
#include <utility>

#include "sim/control.h"
#include "sim/phonebook.h"
#include "sim/pty_server.h"
#include "sim/virtual_meter.h"

using namespace vilt::sim;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr qint64 kMaxBaud = 4'000'000;

const char kHelp[] = R"(Usage: vilt-sim [options]
A virtual meter on a pseudo-terminal. Prints "READY <slave-path>" once it serves.

  --link PATH       also reach the line through a symlink at PATH (removed on exit)
  --factory N       factory number, also the meter's address (0..16777215)
  --model N         model number (0..65535)
  --version N       software version number (0..65535)
  --place TEXT      place of installation, up to 16 bytes in Windows-1251
  --password N      password the login is checked against
  --dst HEX         daylight-saving permission byte (default 77)
  --clock "YYYY-MM-DD HH:MM:SS"
                    the meter's time at start; it runs on from there (default: host clock)
  --baud N          emulate the line speed (8N1); 0 = off (default)
  --latency MS      the meter's think time before each reply (0..10000, default 20)
  --fault FAULT     "<code|all> <kind> [ms] [times]", repeatable
  --log             requests and replies in hex on stderr
  --modem           a dial-up modem in front of the meter (see below)
  --dial-answer A   the modem's answer to a dial: connect (default), nocarrier,
                    busy or silent
  --dial-delay MS   from a dial command to its answer (default 300)
  --dial-gap MS     between the pieces of the answer to a dial (default 20)
  --dial-cut N      cut the dial answer once more after N bytes (default none)
  --guard MS        the quiet time before and after "+++" (default 1000)
  --ipr-lock N      at+ipr? reports speed N whatever at+ipr= set (default none)
  --phonebook FILE  the numbers the modem reaches, one a line: PHONE FACTORY
                    [PASSWORD]; a call to one is answered by the meter with that
                    factory number (and password; without one, --password's);
                    the rest of the meter is shared by all; a number not in the
                    book answers NO CARRIER
  --help            this text

The meter starts with energy counts and month-end readings to show. Its daily
profile holds each day from 62 days before its date up to its date: a household
load curve that follows from the date alone; today's half hours not yet ended are
flagged incomplete, with no energy. Energy and month-end requests for a kind other
than 00 (active) or 01 (reactive), or a month outside 1..12, get no reply.
It keeps the tariff schedule (12 seasons, all T1 at start) and the calendar of
24 special days (empty at start) as they were written: a zone read for a season
outside 1..12 gets no reply, a zone write for one is refused (ack 00).

Control lines on stdin, each answered "OK" or "ERR <reason>":
  fault <code|all> <kind> [ms] [times]   kind: none silent crc code extra missing
                                         ack otherack delay split password
  clear
  set factory|model|version|place|password VALUE
  set dst HEX
  set clock YYYY-MM-DD HH:MM:SS          runs on from there; day number from the date
  set clockbytes HEX14                   every clock read returns these 7 bytes
                                         until the clock is set or written
  set journal J HEX100                   journal J (0..5): 50 bytes, spaces allowed
  set limits HEX32                       the 16-byte load limit record, spaces allowed
  set calibration HEX                    the calibration byte
  set energy active|reactive C1 C2 C3 C4 counts now for T1..T4, signed, in
                                         hundredths of kW·h / kvar·h
  set month|rmonth M C1 C2 C3 C4         active|reactive counts at the end of
                                         month M (1..12)
  set profile YYYY-MM-DD HEX192          the day's 48 half-hour words, high byte
                                         first as sent, spaces allowed
  set profile YYYY-MM-DD none|absent105|odd8|default
                                         no profile (8 bytes, FF); 105 bytes of
                                         FF and zeros; 8 bytes with 00 in place
                                         of FF; back to the default rule
  set zones N HEX36                      season N (1..12): its 18 packed bytes
                                         as sent (two bits an hour, earliest
                                         on top, T1 = 0), spaces allowed
  set calendar HEX96                     the 24 special-day records as sent,
                                         48 bytes: type*64 + BCD month, BCD
                                         day; 00 00 is empty; spaces allowed
  set latency MS                         think time before each reply
  get clock|dst|place|password|speed|resets|limits|calibration|serial|out512
                                         answered "OK VALUE"; clock as
                                         "YYYY-MM-DD HH:MM:SS W" (W 1 = Monday),
                                         frozen bytes that are no date as
                                         "invalid HEX"; speed as the code
                                         0/1/2 (2400/4800/9600); limits as 32
                                         and calibration as 2 hex digits;
                                         serial (serial number) and out512
                                         (512 Hz output switch-ons) in decimal
  get energy active|reactive | get month|rmonth M
                                         answered "OK C1 C2 C3 C4"
  get profile YYYY-MM-DD                 answered "OK HEX192" or "OK none"
                                         (absent105, odd8 as set)
  get zones N                            answered "OK HEX36"
  get calendar                           answered "OK HEX96"
  quit

With --modem the line starts in command mode: AT command lines ending in CR,
echoed until ate0 (ate1 echoes again), each answered CR LF <result> CR LF.
  at, ate0, ate1, atz            OK
  at+ipr=N                       OK for 0 300 600 1200 2400 4800 9600 19200
                                 38400 57600 115200, else ERROR
  at+ipr?                        +IPR: N, then OK
  atd[t|p]NUMBER                 after the dial delay CONNECT <speed> (the
                                 at+ipr= speed, 9600 when 0), NO CARRIER, BUSY
                                 or nothing, sent in pieces: CR LF | first word
                                 | rest | CR LF; any byte while dialling aborts
                                 with NO CARRIER
  ath, ath0                      hangs up, OK
  ato, ato0                      back to data mode after an escape, CONNECT
  anything else                  ERROR
Connected, bytes pass to and from the meter. "+++" with the guard time of quiet
before and after is answered OK and leaves the call up in command mode.
Control lines for the modem (with --modem only):
  set dial connect|nocarrier|busy|silent
  set dial-delay|dial-gap|guard MS
  set dial-cut N|none
  set ipr-lock N|none
  get dialled                            the last number dialled: "OK NUMBER"
  get modem                              "OK command|dialling|data|connected-command"
  hangup                                 the far end hangs up: NO CARRIER to
                                         the workstation, back to command mode
)";

struct Settings {
    MeterState state;
    QList<FaultSetting> faults;
    ServerOptions server;
};

int usageError(const QString& message) {
    std::fprintf(stderr, "vilt-sim: %s\nTry 'vilt-sim --help'.\n", qUtf8Printable(message));
    return kExitUsage;
}

const std::array<std::pair<QString, QString>, 6> kModemOptions = {{{"dial-answer", "dial"},
                                                                   {"dial-delay", "dial-delay"},
                                                                   {"dial-gap", "dial-gap"},
                                                                   {"dial-cut", "dial-cut"},
                                                                   {"guard", "guard"},
                                                                   {"ipr-lock", "ipr-lock"}}};

const QStringList kFields = {"factory", "model", "version", "place", "password", "dst", "clock"};

std::optional<Phonebook> readPhonebook(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    return Phonebook::parse(file.readAll(), error);
}

// Moves the option values into `settings`; the first complaint if one is bad.
std::optional<QString> readValues(const QCommandLineParser& parser, Settings& settings) {
    QString error;
    for (const QString& field : kFields) {
        if (parser.isSet(field) &&
            !setMeterField(settings.state, field, parser.value(field), error)) {
            return QStringLiteral("--%1: %2").arg(field, error);
        }
    }
    for (const QString& text : parser.values("fault")) {
        const auto fault = parseFault(text, error);
        if (!fault) {
            return QStringLiteral("--fault '%1': %2").arg(text, error);
        }
        settings.faults.append(*fault);
    }
    if (parser.isSet("baud")) {
        const auto baud = parseNumber(parser.value("baud"), 0, kMaxBaud);
        if (!baud) {
            return QStringLiteral("--baud: bad speed '%1' (0..%2)")
                .arg(parser.value("baud"))
                .arg(kMaxBaud);
        }
        settings.server.baud = static_cast<int>(*baud);
    }
    if (parser.isSet("latency")) {
        const auto latency = parseLatency(parser.value("latency"), error);
        if (!latency) {
            return QStringLiteral("--latency: %1").arg(error);
        }
        settings.server.latencyMs = *latency;
    }
    if (parser.isSet("modem")) {
        ModemOptions modem;
        for (const auto& [option, name] : kModemOptions) {
            if (parser.isSet(option) && !setModemOption(modem, name, parser.value(option), error)) {
                return QStringLiteral("--%1: %2").arg(option, error);
            }
        }
        settings.server.modem = modem;
        if (parser.isSet("phonebook")) {
            const auto book = readPhonebook(parser.value("phonebook"), error);
            if (!book) {
                return QStringLiteral("--phonebook %1: %2").arg(parser.value("phonebook"), error);
            }
            settings.server.phonebook = *book;
        }
    } else {
        for (const auto& [option, name] : kModemOptions) {
            if (parser.isSet(option)) {
                return QStringLiteral("--%1 needs --modem").arg(option);
            }
        }
        if (parser.isSet("phonebook")) {
            return QStringLiteral("--phonebook needs --modem");
        }
    }
    settings.server.linkPath = parser.value("link");
    settings.server.log = parser.isSet("log");
    return std::nullopt;
}

// Fills `settings` from the command line; returns an exit code when the program should stop.
std::optional<int> parseArguments(const QStringList& arguments, Settings& settings) {
    QCommandLineParser parser;
    for (const QString& field : kFields) {
        parser.addOption({field, {}, "N"});
    }
    for (const auto& [option, name] : kModemOptions) {
        parser.addOption({option, {}, "VALUE"});
    }
    parser.addOptions({{"link", {}, "PATH"},
                       {"baud", {}, "N"},
                       {"latency", {}, "MS"},
                       {"fault", {}, "FAULT"},
                       {"log", {}},
                       {"modem", {}},
                       {"phonebook", {}, "FILE"},
                       {"help", {}}});
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText());
    }
    if (parser.isSet("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }
    if (const auto error = readValues(parser, settings)) {
        return usageError(*error);
    }
    return std::nullopt;
}

// Later opens must not land on 0, 1 or 2 if the caller closed them.
void guardStandardFds() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0) {
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    // Never outlive whoever started us (a test that crashed, a demo script).
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        return kExitFailure;
    }
    ::signal(SIGPIPE, SIG_IGN);
    guardStandardFds();

    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromUtf8(argv[i]));
    }
    Settings settings;
    if (const auto exitCode = parseArguments(arguments, settings)) {
        return *exitCode;
    }
    VirtualMeter meter(settings.state);
    for (const FaultSetting& fault : settings.faults) {
        meter.setFault(fault.code, fault.fault);
    }
    PtyServer server(meter, settings.server);
    QString error;
    if (!server.open(error)) {
        std::fprintf(stderr, "vilt-sim: %s\n", qUtf8Printable(error));
        return kExitFailure;
    }
    std::printf("READY %s\n", qUtf8Printable(server.slavePath()));
    std::fflush(stdout);
    server.run();
    return 0;
}
