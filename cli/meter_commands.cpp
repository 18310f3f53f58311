// The commands of the exchange group: each runs the operation the window would run and
// reads its outcome from the result panel it shows.

#include <QDateTime>
#include <QMap>
#include <variant>

#include "clock.h"
#include "commands.h"
#include "events.h"
#include "json.h"
#include "link_settings.h"
#include "meter_link.h"
#include "operations.h"
#include "output.h"
#include "place_reset.h"
#include "session_texts.h"

namespace vilt::cli {

namespace {

using link::Panel;
using ops::Group;

const QString kNoLinkText = QStringLiteral("Нет связи !!!");
const QString kClockFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QMap<QString, int> kSpeeds = {{"2400", 0}, {"4800", 1}, {"9600", 2}};

// 0 when the operation showed its success panel; otherwise what the user would have seen.
int outcome(HeadlessView& view, Panel success) {
    if (view.panelVisible(success)) return kDone;
    for (const QString& message : view.messages()) err(message);
    if (!view.panelVisible(Panel::Net_cv)) return kUsage;  // refused before anything was sent
    err(kNoLinkText);
    return kNoLink;
}

// Runs one operation of the exchange group with the given group selected.
void runOperation(MeterLink& link, Group group, void (ops::Operations::*operation)()) {
    ops::EventTab unused{};
    ops::Operations operations(link.exchange(), link.view(), unused);
    link.view().selectGroup(group);
    (operations.*operation)();
}

// Writing the clock also writes the DST permission: keep the meter's own.
bool keepDst(MeterLink& link) {
    bool allowed = false;
    link.exchange().resultCode = 0;
    if (ops::RxdRdRemove(link.exchange(), &allowed) != 0) return false;
    link.view().setDstAllowed(allowed);
    return true;
}

int clockRead(MeterLink& link, const QStringList&, const Options& options) {
    runOperation(link, Group::Time, &ops::Operations::ReadClick);
    HeadlessView& view = link.view();
    if (const int status = outcome(view, Panel::Ok_rdtime)) return status;
    int weekday = 0;
    for (int n = 1; n <= 7; ++n)
        if (ops::dayName(n) == view.dayName()) weekday = n;
    const QString time = view.clockTime().toString(QStringLiteral("HH:mm:ss"));
    const QString date = view.clockDate().toString(Qt::ISODate);
    if (options.json) {
        out(QStringLiteral(R"({"time":"%1","date":"%2","weekday":%3,"weekday_name":%4,"dst":%5})")
                .arg(time, date, QString::number(weekday), jsonString(view.dayName()),
                     view.dstAllowed() ? "true" : "false"));
    } else {
        out(QStringLiteral("Время: ") + time);
        out(QStringLiteral("Дата: ") + date);
        out(QStringLiteral("День недели: %1 %2").arg(weekday).arg(view.dayName()));
        out(QStringLiteral("Время зима-лето: ") + (view.dstAllowed() ? "разрешено" : "запрещено"));
    }
    return kDone;
}

std::optional<QString> checkClock(const QStringList& arguments) {
    const QDateTime when = QDateTime::fromString(arguments[0], kClockFormat);
    if (!when.isValid() || when.date().year() < 2000 || when.date().year() > 2099)
        return QStringLiteral("expected a time as YYYY-MM-DD HH:MM:SS in 2000-2099, got '%1'")
            .arg(arguments[0]);
    return std::nullopt;
}

int clockWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    if (!keepDst(link)) {
        err(kNoLinkText);
        return kNoLink;
    }
    const QDateTime when = QDateTime::fromString(arguments[0], kClockFormat);
    link.view().setClockTime(when.time());
    link.view().setClockDate(when.date());
    runOperation(link, Group::Time, &ops::Operations::WrComClick);
    return outcome(link.view(), Panel::Ok_wrtime);
}

int clockSync(MeterLink& link, const QStringList&, const Options&) {
    if (!keepDst(link)) {
        err(kNoLinkText);
        return kNoLink;
    }
    runOperation(link, Group::Time, &ops::Operations::SinClick);
    return outcome(link.view(), Panel::Ok_stime);
}

std::optional<QString> checkOnOff(const QStringList& arguments) {
    if (arguments[0] == "on" || arguments[0] == "off") return std::nullopt;
    return QStringLiteral("expected on or off, got '%1'").arg(arguments[0]);
}

int dstWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    link.exchange().resultCode = 0;
    ops::RxdWrRemove(link.exchange(), arguments[0] == "on");
    if (link.exchange().resultCode == 0) return kDone;
    err(kNoLinkText);
    return kNoLink;
}

QString eventsJson(const ops::EventTab& events) {
    QStringList journals;
    for (const ops::Journal& journal : events) {
        QStringList records;
        for (const QDateTime& event : ops::journalRows(journal).events)
            records << QStringLiteral(R"({"date":"%1","time":"%2"})")
                           .arg(event.date().toString(Qt::ISODate), event.time().toString("HH:mm"));
        journals << '[' + records.join(',') + ']';
    }
    return QStringLiteral(R"({"journals":[%1]})").arg(journals.join(','));
}

void printEvents(const ops::EventTab& events) {
    for (int j = 0; j < ops::kJournalCount; ++j) {
        out(QStringLiteral("Журнал %1 (%2):").arg(j).arg(ops::journalNames()[size_t(j)]));
        const ops::JournalRows rows = ops::journalRows(events[size_t(j)]);
        for (int k = 0; k < rows.events.size(); ++k)
            out(QStringLiteral("  %1. %2")
                    .arg(k + 1)
                    .arg(rows.events[k].toString("yyyy-MM-dd HH:mm")));
    }
}

int eventsRead(MeterLink& link, const QStringList&, const Options& options) {
    ops::EventTab events{};
    ops::Operations operations(link.exchange(), link.view(), events);
    link.view().selectGroup(Group::Event);
    operations.ReadClick();
    if (const int status = outcome(link.view(), Panel::Ok_rdevent)) return status;
    for (int j = 0; j < ops::kJournalCount; ++j) {
        const QString error = ops::journalRows(events[size_t(j)]).error;
        if (!error.isEmpty()) err(QStringLiteral("journal %1: %2").arg(j).arg(error));
    }
    if (options.json) {
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
    link.view().setPlaceText(arguments[0]);
    runOperation(link, Group::Place, &ops::Operations::WrComClick);
    return outcome(link.view(), Panel::Ok_wrplase);
}

int reset(MeterLink& link, const QStringList&, const Options&) {
    runOperation(link, Group::Reset, &ops::Operations::WrComClick);
    return outcome(link.view(), Panel::Ok_reset);
}

std::optional<QString> checkPassword(const QStringList& arguments) {
    bool isNumber = false;
    arguments[0].trimmed().toInt(&isNumber);
    if (isNumber) return std::nullopt;
    return QStringLiteral("the new password must be a whole number, got '%1'").arg(arguments[0]);
}

int passwordWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    const int result = link::ChangePassword(link.exchange(), link.view(), arguments[0],
                                            arguments[0], [&] { link.disconnect(); });
    if (result == 0) {
        out(link::texts::kPasswordChanged);
        return kDone;
    }
    for (const QString& message : link.view().messages()) err(message);
    return kNoLink;
}

std::optional<QString> checkSpeed(const QStringList& arguments) {
    if (kSpeeds.contains(arguments[0])) return std::nullopt;
    return QStringLiteral("expected 2400, 4800 or 9600, got '%1'").arg(arguments[0]);
}

int speedWrite(MeterLink& link, const QStringList& arguments, const Options&) {
    link.view().setSpeedIndex(kSpeeds.value(arguments[0]));
    runOperation(link, Group::Speed, &ops::Operations::WrComClick);
    return outcome(link.view(), Panel::Ok_Sk);
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
