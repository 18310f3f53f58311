// The commands of the exchange group: each runs the operation the window would run and
// prints what it returns.

#include <QDateTime>
#include <QMap>
#include <variant>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/numbers.h"
#include "cli/output.h"
#include "cli/report.h"
#include "link/link_settings.h"
#include "ops/operations.h"
#include "ops/place_reset.h"
#include "sheet/sheets.h"

namespace vilt::cli {

namespace {

const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QMap<qint64, int> kSpeeds = {{2400, 0}, {4800, 1}, {9600, 2}};

void printClock(const ops::ClockOutcome& clock, bool json) {
    const int weekday = clock.weekday.value_or(0);
    const QString dayName = ops::dayName(weekday).value_or(QString());
    const QString time = clock.time->toString(QStringLiteral("HH:mm:ss"));
    const QString date = clock.date->toString(Qt::ISODate);
    if (json) {
        out(QStringLiteral(R"({"time":"%1","date":"%2","weekday":%3,"weekday_name":%4,"dst":%5})")
                .arg(time, date, QString::number(weekday), jsonString(dayName),
                     clock.dst ? "true" : "false"));
        return;
    }
    out(QStringLiteral("Время: ") + time);
    out(QStringLiteral("Дата: ") + date);
    out(QStringLiteral("День недели: %1 %2").arg(weekday).arg(dayName));
    out(QStringLiteral("Время зима-лето: ") + (clock.dst ? "разрешено" : "запрещено"));
}

int clockRead(MeterLink& link, const QStringList&, const Options& options) {
    const ops::ClockOutcome clock = ops::readClock(link.exchange());
    if (const int status = report(clock)) return status;
    printClock(clock, options.json);
    return kDone;
}

std::optional<QString> checkClock(const QStringList& arguments) {
    const QDateTime when = QDateTime::fromString(arguments[0], kClockFormat);
    if (!when.isValid() || when.date().year() < 2000 || when.date().year() > 2099)
        return QStringLiteral("expected a time as YYYY-MM-DD HH:MM:SS in 2000-2099, got '%1'")
            .arg(arguments[0]);
    return std::nullopt;
}

// Writing the clock also writes the DST permission: the meter's own is read first and kept.
int clockWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    const ops::DstOutcome dst = ops::readDst(link.exchange());
    if (const int status = report(dst)) return status;
    const QDateTime when = QDateTime::fromString(arguments[0], kClockFormat);
    return report(ops::writeClock(link.exchange(), when.time(), when.date(), dst.allowed));
}

int clockSync(MeterLink& link, const QStringList&, const Options&) {
    const ops::DstOutcome dst = ops::readDst(link.exchange());
    if (const int status = report(dst)) return status;
    return report(ops::syncClock(link.exchange(), QDateTime::currentDateTime(), dst.allowed));
}

std::optional<QString> checkOnOff(const QStringList& arguments) {
    if (arguments[0] == "on" || arguments[0] == "off") return std::nullopt;
    return QStringLiteral("expected on or off, got '%1'").arg(arguments[0]);
}

int dstWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    return report(ops::writeDst(link.exchange(), arguments[0] == "on"));
}

QList<QDateTime> eventsOf(const ops::EventsOutcome& events, int journal) {
    return ops::journalRows(*events.journals[size_t(journal)]).events;
}

QString eventsJson(const ops::EventsOutcome& events) {
    QStringList journals;
    for (int j = 0; j < ops::kJournalCount; ++j) {
        QStringList records;
        for (const QDateTime& event : eventsOf(events, j))
            records << QStringLiteral(R"({"date":"%1","time":"%2"})")
                           .arg(event.date().toString(Qt::ISODate), event.time().toString("HH:mm"));
        journals << '[' + records.join(',') + ']';
    }
    return QStringLiteral(R"({"journals":[%1]})").arg(journals.join(','));
}

void printEvents(const ops::EventsOutcome& events) {
    for (int j = 0; j < ops::kJournalCount; ++j) {
        out(QStringLiteral("Журнал %1 (%2):").arg(j).arg(ops::journalNames()[size_t(j)]));
        const QList<QDateTime> rows = eventsOf(events, j);
        for (int k = 0; k < rows.size(); ++k)
            out(QStringLiteral("  %1. %2").arg(k + 1).arg(rows[k].toString("yyyy-MM-dd HH:mm")));
    }
}

int eventsRead(MeterLink& link, const QStringList&, const Options& options) {
    const ops::EventsOutcome events = ops::readEvents(link.exchange());
    if (const int status = report(events)) return status;
    for (int j = 0; j < ops::kJournalCount; ++j) {
        const QString error = ops::journalRows(*events.journals[size_t(j)]).error;
        if (!error.isEmpty()) err(QStringLiteral("journal %1: %2").arg(j).arg(error));
    }
    if (options.csv) {
        ops::Journals journals{};
        for (int j = 0; j < ops::kJournalCount; ++j)
            journals[size_t(j)] = events.journals[size_t(j)].value_or(ops::Journal{});
        outCsv({sheet::journalSheet(journals)});
    } else if (options.json) {
        out(eventsJson(events));
    } else {
        printEvents(events);
    }
    return kDone;
}

std::optional<QString> checkPlace(const QStringList& arguments) {
    const auto field = ops::placeField(arguments[0]);
    if (const auto* reason = std::get_if<QString>(&field)) return *reason;
    return std::nullopt;
}

int placeWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    return report(ops::writePlace(link.exchange(), arguments[0]));
}

int reset(MeterLink& link, const QStringList&, const Options&) {
    return report(ops::resetMeter(link.exchange()));
}

std::optional<QString> checkPassword(const QStringList& arguments) {
    if (parseNumber(arguments[0], kPasswordRange)) return std::nullopt;
    return QStringLiteral("the new password must be a whole number, got '%1'").arg(arguments[0]);
}

// A changed password ends the session, as in the window.
int passwordWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    const link::Outcome outcome = link::ChangePassword(link.exchange(), arguments[0], arguments[0]);
    if (outcome.ok()) link.disconnect();
    return report(outcome);
}

std::optional<int> speedIndex(const QString& text) {
    const auto speed = parseNumber(text, kSpeedRange);
    if (!speed || !kSpeeds.contains(*speed)) return std::nullopt;
    return kSpeeds.value(*speed);
}

std::optional<QString> checkSpeed(const QStringList& arguments) {
    if (speedIndex(arguments[0])) return std::nullopt;
    return QStringLiteral("expected 2400, 4800 or 9600, got '%1'").arg(arguments[0]);
}

int speedWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    return report(ops::writeSpeed(link.exchange(), *speedIndex(arguments[0])));
}

}  // namespace

QList<Command> meterCommands() {
    return {
        {{"clock", "read"}, 0, nullptr, clockRead},
        {{"clock", "write"}, 1, checkClock, clockWrite},
        {{"clock", "sync"}, 0, nullptr, clockSync},
        {{"dst", "write"}, 1, checkOnOff, dstWrite},
        {{"events", "read"}, 0, nullptr, eventsRead},
        {{"place", "write"}, 1, checkPlace, placeWrite},
        {{"reset"}, 0, nullptr, reset},
        {{"password", "write"}, 1, checkPassword, passwordWrite},
        {{"speed", "write"}, 1, checkSpeed, speedWrite},
    };
}

}  // namespace vilt::cli
