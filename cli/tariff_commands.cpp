// The tariff schedule and its calendar of special days between the meter and a tariff file:
// read from the meter into a file, written from a file into the meter, shown without a
// meter, and compared with what the meter holds.
//
// A file to write, show or compare is loaded before the port is opened, so a missing or
// damaged one costs no exchange. A read saves its file only when the whole schedule and the
// calendar came: a file with some seasons left at their defaults would pass for the meter's.

#include <QDir>
#include <QFileInfo>
#include <variant>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/output.h"
#include "cli/report.h"
#include "tariff/compare.h"
#include "tariff/sequences.h"
#include "tariff/tariff_file.h"

namespace vilt::cli {

namespace {

using tariff::DayDifference;
using tariff::DayType;
using tariff::Schedule;
using tariff::SpecDays;
using tariff::TariffComparison;
using tariff::TariffFile;
using tariff::ZoneDifference;

constexpr std::array<DayType, tariff::kDayTypeCount> kDayTypes = {
    DayType::Working, DayType::Saturday, DayType::Holiday};
constexpr int kLabelWidth = 16;
const QString kIndent = QStringLiteral("  ");

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The file at path, or why it cannot be taken: it cannot be opened, or it is damaged.
std::variant<TariffFile, QString> loadFile(const QString& path) {
    auto file = tariff::readTariffFile(path);
    if (const auto* error = std::get_if<QString>(&file);
        error && *error != tariff::kTariffFileDamaged)
        return QStringLiteral("%1 «%2»").arg(*error, nativePath(path));
    return file;
}

std::optional<QString> checkFileToLoad(const QStringList& arguments) {
    const auto file = loadFile(arguments[0]);
    if (const auto* error = std::get_if<QString>(&file)) return *error;
    return std::nullopt;
}

// The file a read saves: its folder must be there, and the name must not be a folder.
std::optional<QString> checkFileToSave(const QStringList& arguments) {
    if (arguments[0].isEmpty()) return QStringLiteral("no tariff file named");
    const QFileInfo info(arguments[0]);
    if (info.isDir()) return QStringLiteral("'%1' is a folder").arg(nativePath(arguments[0]));
    if (!info.absoluteDir().exists())
        return QStringLiteral("no folder '%1' for the tariff file")
            .arg(nativePath(info.absolutePath()));
    return std::nullopt;
}

// Tariffs are 1-4 for T1-T4 wherever this program prints them.
int tariffNumber(int index) {
    return index + 1;
}

QString dayTypeKey(DayType day) {
    switch (day) {
        case DayType::Working:
            return QStringLiteral("working");
        case DayType::Saturday:
            return QStringLiteral("saturday");
        case DayType::Holiday:
            return QStringLiteral("holiday");
    }
    return {};
}

QString specDayType(int type) {
    return tariff::specDayTypeText(type).value_or(QStringLiteral("тип %1").arg(type));
}

QString endDate(const tariff::Season& season) {
    return tariff::specDayDateText({season.endDay, season.endMonth, 0});
}

QString jsonInt(std::optional<int> value) {
    return value ? QString::number(*value) : QStringLiteral("null");
}

QList<tariff::SpecialDay> fileList(const SpecDays& days) {
    QList<tariff::SpecialDay> records;
    for (int i = 0; i < tariff::specDayListLength(days.records); ++i)
        records << days.records[static_cast<size_t>(i)];
    return records;
}

// ---- show

QList<int> hourTariffs(const tariff::Season& season, DayType day) {
    QList<int> tariffs;
    for (int hour = 0; hour < tariff::kHours; ++hour)
        tariffs << tariffNumber(season.zones[static_cast<size_t>(tariff::slotIndex(day, hour))]);
    return tariffs;
}

void printSchedule(const TariffFile& file) {
    QString tens, units;
    for (int hour = 0; hour < tariff::kHours; ++hour) {
        tens += QString::number(hour / 10);
        units += QString::number(hour % 10);
    }
    const qsizetype margin = kIndent.size() + kLabelWidth;
    out(QStringLiteral("Час").leftJustified(margin) + tens);
    out(QString(margin, QLatin1Char(' ')) + units);
    for (int n = 1; n <= tariff::kSeasonCount; ++n) {
        const tariff::Season& season = file.schedule[static_cast<size_t>(n - 1)];
        out(QStringLiteral("Сезон %1 (до %2)").arg(n).arg(endDate(season)));
        for (const DayType day : kDayTypes) {
            QString digits;
            for (const int tariff : hourTariffs(season, day)) digits += QString::number(tariff);
            out(kIndent + tariff::dayTypeName(day).leftJustified(kLabelWidth) + digits);
        }
    }
    const QList<tariff::SpecialDay> days = fileList(file.days);
    out(QStringLiteral("Нестандартные дни: %1").arg(days.size()));
    for (const tariff::SpecialDay& day : days)
        out(kIndent + tariff::specDayDateText(day) + QLatin1Char(' ') + specDayType(day.type));
}

QString numbersJson(const QList<int>& numbers) {
    QStringList texts;
    for (const int number : numbers) texts << QString::number(number);
    return QLatin1Char('[') + texts.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString scheduleJson(const TariffFile& file) {
    QStringList seasons;
    for (int n = 1; n <= tariff::kSeasonCount; ++n) {
        const tariff::Season& season = file.schedule[static_cast<size_t>(n - 1)];
        QString json = QStringLiteral(R"({"season":%1,"end":{"day":%2,"month":%3})")
                           .arg(n)
                           .arg(season.endDay)
                           .arg(season.endMonth);
        for (const DayType day : kDayTypes)
            json += QStringLiteral(R"(,"%1":%2)")
                        .arg(dayTypeKey(day), numbersJson(hourTariffs(season, day)));
        seasons << json + QLatin1Char('}');
    }
    QStringList days;
    for (const tariff::SpecialDay& day : fileList(file.days))
        days << QStringLiteral(R"({"day":%1,"month":%2,"type":%3})")
                    .arg(day.day)
                    .arg(day.month)
                    .arg(day.type);
    return QStringLiteral(R"({"seasons":[%1],"special_days":[%2]})")
        .arg(seasons.join(QLatin1Char(',')), days.join(QLatin1Char(',')));
}

int showFile(const QStringList& arguments, const Options& options) {
    const auto loaded = loadFile(arguments[0]);
    if (const auto* error = std::get_if<QString>(&loaded)) {
        err(*error);
        return kUsage;
    }
    const TariffFile& file = std::get<TariffFile>(loaded);
    if (options.json)
        out(scheduleJson(file));
    else
        printSchedule(file);
    return kDone;
}

// ---- the meter

// The whole schedule and calendar from the meter, starting from the defaults and an empty
// list, or the exit status of a read that fell short, told on standard error.
std::variant<tariff::TariffReadOutcome, int> readMeter(MeterLink& link) {
    tariff::TariffReadOutcome read =
        tariff::readTariffs(link.exchange(), tariff::defaultSchedule(), SpecDays{});
    if (read.ok()) return read;
    if (read.calendarRead) err(tariff::unreadSeasonsText(read));
    return report(read);
}

// The file gets every special day the meter holds, in the meter's order; the season end
// dates, which the meter does not hold, stay the defaults (day 31 of month n).
int readToFile(MeterLink& link, const QStringList& arguments, const Options&) {
    const auto read = readMeter(link);
    if (const auto* status = std::get_if<int>(&read)) {
        err(QStringLiteral("Файл «%1» не записан.").arg(nativePath(arguments[0])));
        return *status;
    }
    const tariff::TariffReadOutcome& outcome = std::get<tariff::TariffReadOutcome>(read);
    SpecDays days;
    const QList<tariff::SpecialDay> held = tariff::meterDays(outcome.days);
    for (qsizetype i = 0; i < held.size(); ++i) days.records[static_cast<size_t>(i)] = held[i];
    const QByteArray bytes = tariff::saveTariffFile(outcome.schedule, days);
    if (const auto error = tariff::writeTariffFileAtomically(arguments[0], bytes)) {
        err(QStringLiteral("%1 «%2»").arg(*error, nativePath(arguments[0])));
        return kUsage;
    }
    return kDone;
}

// The note on a list longer than the meter's calendar; empty when it fits.
QString beyondTheMeter(int listed) {
    if (listed <= tariff::kCalendarRecords) return {};
    return QStringLiteral("Счётчик хранит %1 нестандартных дня: дни %2-%3 файла не передаются.")
        .arg(tariff::kCalendarRecords)
        .arg(tariff::kCalendarRecords + 1)
        .arg(listed);
}

int writeFromFile(MeterLink& link, const QStringList& arguments, const Options&) {
    const auto loaded = loadFile(arguments[0]);
    if (const auto* error = std::get_if<QString>(&loaded)) {
        err(*error);
        return kUsage;
    }
    const TariffFile& file = std::get<TariffFile>(loaded);
    const QString note = beyondTheMeter(tariff::specDayListLength(file.days.records));
    if (!note.isEmpty()) err(note);
    const link::Outcome written = tariff::writeTariffs(link.exchange(), file.schedule, file.days);
    if (const QString unconfirmed = tariff::unconfirmedText(written); !unconfirmed.isEmpty())
        err(unconfirmed);
    return report(written);
}

QString zoneText(const ZoneDifference& d) {
    return QStringLiteral("Сезон %1, %2, час %3: в файле %4, в счётчике %5")
        .arg(d.season)
        .arg(tariff::dayTypeName(d.day))
        .arg(d.hour)
        .arg(tariff::tariffName(d.file), tariff::tariffName(d.meter));
}

QString dayText(const DayDifference& d) {
    const QString date = tariff::specDayDateText({d.day, d.month, 0});
    QString what;
    if (!d.meter)
        what = QStringLiteral("в файле %1, нет в счётчике").arg(specDayType(*d.file));
    else if (!d.file)
        what = QStringLiteral("в счётчике %1, нет в файле").arg(specDayType(*d.meter));
    else
        what = QStringLiteral("в файле %1, в счётчике %2")
                   .arg(specDayType(*d.file), specDayType(*d.meter));
    return QStringLiteral("Нестандартный день %1: %2").arg(date, what);
}

QString comparisonJson(const TariffComparison& c) {
    QStringList zones;
    for (const ZoneDifference& d : c.zones)
        zones << QStringLiteral(R"({"season":%1,"day_type":"%2","hour":%3,"file":%4,"meter":%5})")
                     .arg(d.season)
                     .arg(dayTypeKey(d.day))
                     .arg(d.hour)
                     .arg(tariffNumber(d.file))
                     .arg(tariffNumber(d.meter));
    QStringList days;
    for (const DayDifference& d : c.days) {
        const QString change = !d.meter  ? QStringLiteral("missing")
                               : !d.file ? QStringLiteral("added")
                                         : QStringLiteral("type");
        days << QStringLiteral(R"({"day":%1,"month":%2,"change":"%3","file":%4,"meter":%5})")
                    .arg(d.day)
                    .arg(d.month)
                    .arg(change, jsonInt(d.file), jsonInt(d.meter));
    }
    return QStringLiteral(
               R"({"equal":%1,"zones":[%2],"special_days":[%3],"not_compared":%4,"other_order":%5})")
        .arg(c.equal() ? "true" : "false", zones.join(QLatin1Char(',')),
             days.join(QLatin1Char(',')), QString::number(c.notCompared),
             c.otherOrder ? "true" : "false");
}

void printComparison(const TariffComparison& c) {
    for (const ZoneDifference& d : c.zones) out(zoneText(d));
    for (const DayDifference& d : c.days) out(dayText(d));
    if (c.otherOrder) out(QStringLiteral("Примечание: нестандартные дни те же, в другом порядке."));
    if (c.notCompared > 0)
        out(QStringLiteral("Примечание: в файле %1 нестандартных дней, счётчик хранит %2; "
                           "сравнены первые %2.")
                .arg(tariff::kCalendarRecords + c.notCompared)
                .arg(tariff::kCalendarRecords));
    if (c.equal())
        out(QStringLiteral("Счётчик совпадает с файлом."));
    else
        out(QStringLiteral("Отличий: %1").arg(c.zones.size() + c.days.size()));
}

int verifyFile(MeterLink& link, const QStringList& arguments, const Options& options) {
    const auto loaded = loadFile(arguments[0]);
    if (const auto* error = std::get_if<QString>(&loaded)) {
        err(*error);
        return kUsage;
    }
    const TariffFile& file = std::get<TariffFile>(loaded);
    const auto read = readMeter(link);
    if (const auto* status = std::get_if<int>(&read)) return *status;
    const tariff::TariffReadOutcome& meter = std::get<tariff::TariffReadOutcome>(read);
    const TariffComparison comparison =
        tariff::compareTariffs(file.schedule, file.days, meter.schedule, meter.days);
    if (options.json)
        out(comparisonJson(comparison));
    else
        printComparison(comparison);
    return comparison.equal() ? kDone : kDiffers;
}

}  // namespace

QList<Command> tariffCommands() {
    return {
        {{"tariff", "read"}, 1, checkFileToSave, readToFile},
        {{"tariff", "write"}, 1, checkFileToLoad, writeFromFile},
        {{"tariff", "show"}, 1, checkFileToLoad, nullptr, nullptr, showFile},
        {{"tariff", "verify"}, 1, checkFileToLoad, verifyFile},
    };
}

}  // namespace vilt::cli
