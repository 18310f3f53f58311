// What the archive holds, listed without a meter: no port is opened, and the archive is
// never made for a listing.

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <memory>

#include "archive/archive.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/meter_link.h"
#include "cli/numbers.h"
#include "cli/output.h"
#include "cli/reading_text.h"
#include "cli/table.h"
#include "ops/number_text.h"
#include "sheet/sheets.h"

namespace vilt::cli {

namespace {

using archive::Archive;

struct Filter {
    std::optional<qint64> factory;
    std::optional<QDate> from, to;
};

// The options of a listing; the reason when one is wrong. Days only where they mean something.
std::optional<QString> readFilter(const QStringList& arguments, bool withDays, Filter* filter) {
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        const bool day = withDays && (name == "--from" || name == "--to");
        if (name != "--factory" && !day) return QStringLiteral("unknown option %1").arg(name);
        if (i + 1 >= arguments.size()) return QStringLiteral("option %1 needs a value").arg(name);
        const QString& value = arguments[i + 1];
        const QString bad = QStringLiteral("bad value for %1: '%2'").arg(name, value);
        if (day) {
            const auto date = parseDay(value);
            if (!date) return bad;
            (name == "--from" ? filter->from : filter->to) = date;
        } else {
            const auto number = parseNumber(value, kFactoryRange);
            if (!number) return bad;
            filter->factory = number;
        }
    }
    if (filter->from && filter->to && *filter->to < *filter->from)
        return QStringLiteral("--to %1 is before --from %2")
            .arg(filter->to->toString(Qt::ISODate), filter->from->toString(Qt::ISODate));
    return std::nullopt;
}

std::optional<QString> checkDayFilter(const QStringList& arguments) {
    Filter unused;
    return readFilter(arguments, true, &unused);
}

std::optional<QString> checkMonths(const QStringList& arguments) {
    Filter unused;
    return readFilter(arguments, false, &unused);
}

// The archive to list. A missing file is told and ends the command (a listing makes no
// archive); an empty one is an archive with nothing stored yet, left as it is (no archive
// returned, nothing to list). On a server the archive's tables are made on first use.
std::optional<int> openToList(const QString& path, std::unique_ptr<Archive>* archive) {
    const QFileInfo info(path);
    if (!archive::isServerAddress(path)) {
        if (!info.exists()) {
            err(QStringLiteral("Архив «%1» не найден.")
                    .arg(QDir::toNativeSeparators(info.absoluteFilePath())));
            return kArchive;
        }
        if (info.isFile() && info.size() == 0) return std::nullopt;
    }
    QString error;
    *archive = Archive::open(path, &error);
    if (*archive) return std::nullopt;
    err(error);
    return kArchive;
}

// The rows of a listing, read by read from the options' archive: none from an empty file. The
// exit status when the archive cannot be opened or read.
template <typename Row>
std::optional<int> readRows(const Options& options, const std::function<QList<Row>(Archive&)>& read,
                            QList<Row>* rows) {
    std::unique_ptr<Archive> archive;
    if (const auto failed = openToList(options.archive, &archive)) return failed;
    if (!archive) return std::nullopt;
    *rows = read(*archive);
    if (archive->error().isEmpty()) return std::nullopt;
    err(archive->error());
    return kArchive;
}

int listProfiles(const QStringList& arguments, const Options& options) {
    Filter filter;
    readFilter(arguments, true, &filter);
    QList<archive::ProfileRow> rows;
    const auto read = [&](Archive& archive) {
        return archive.profiles(filter.factory, filter.from, filter.to);
    };
    if (const auto failed = readRows<archive::ProfileRow>(options, read, &rows)) return *failed;
    if (options.csv) {
        outCsv({sheet::profileSheet(rows)});
        return kDone;
    }
    if (options.json) {
        QStringList days;
        for (const archive::ProfileRow& row : rows) days << dayJson(fromArchive(row));
        out(QStringLiteral(R"({"days":[%1]})").arg(days.join(QLatin1Char(','))));
        return kDone;
    }
    for (const archive::ProfileRow& row : rows)
        for (const QString& line : dayText(fromArchive(row))) out(line);
    return kDone;
}

using MonthValues = std::array<std::optional<double>, link::kMonthCount * link::kTariffCount>;

std::optional<QString> monthValue(const MonthValues& values, int month, int tariff) {
    return ops::storedText(values[static_cast<size_t>(archive::monthIndex(month, tariff))]);
}

// {"1":[T1,T2,T3,T4],…,"12":[…]}, null for a column never written.
QString monthsJson(const MonthValues& values) {
    QStringList months;
    for (int m = 1; m <= link::kMonthCount; ++m) {
        QStringList tariffs;
        for (int t = 1; t <= link::kTariffCount; ++t)
            tariffs << monthValue(values, m, t).value_or(QStringLiteral("null"));
        months << QStringLiteral(R"("%1":[%2])").arg(m).arg(tariffs.join(QLatin1Char(',')));
    }
    return QLatin1Char('{') + months.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString monthsLine(const MonthValues& values, int month) {
    QStringList tariffs;
    for (int t = 1; t <= link::kTariffCount; ++t)
        tariffs << QStringLiteral("%1").arg(monthValue(values, month, t).value_or("0"), 10);
    return tariffs.join(QLatin1Char(' '));
}

void printMonths(const archive::MonthRow& row) {
    out(QStringLiteral("Заводской номер %1: Т1..Т4 актив, кВт*ч | Т1..Т4 реактив, квар*ч")
            .arg(row.factory));
    for (int m = 1; m <= link::kMonthCount; ++m)
        out(QStringLiteral("Месяц %1: %2 | %3")
                .arg(m, 2)
                .arg(monthsLine(row.active, m), monthsLine(row.reactive, m)));
}

int listMonths(const QStringList& arguments, const Options& options) {
    Filter filter;
    readFilter(arguments, false, &filter);
    QList<archive::MonthRow> rows;
    const auto read = [&](Archive& archive) { return archive.months(filter.factory); };
    if (const auto failed = readRows<archive::MonthRow>(options, read, &rows)) return *failed;
    if (options.csv) {
        outCsv({sheet::monthSheet(rows)});
        return kDone;
    }
    if (options.json) {
        QStringList json;
        for (const archive::MonthRow& row : rows)
            json << QStringLiteral(R"({"factory":%1,"months":%2,"reactive":%3})")
                        .arg(QString::number(row.factory), monthsJson(row.active),
                             monthsJson(row.reactive));
        out(QStringLiteral(R"({"rows":[%1]})").arg(json.join(QLatin1Char(','))));
        return kDone;
    }
    for (const archive::MonthRow& row : rows) printMonths(row);
    return kDone;
}

// A visit's cells in the table: time, station, factory, label, energy, offset, result.
QStringList visitCells(const archive::VisitRecord& visit) {
    return {visit.visited.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            printable(visit.station),
            QString::number(visit.factory),
            printable(visit.label),
            visit.energy ? hundredths(*visit.energy) : QString(),
            visit.offset ? QString::number(*visit.offset) : QString(),
            printable(visit.result)};
}

QString visitJson(const archive::VisitRecord& visit) {
    const QString null = QStringLiteral("null");
    return QStringLiteral(R"({"visited":%1,"station":%2,"factory":%3,"label":%4,"result":%5,)"
                          R"("energy":%6,"offset":%7})")
        .arg(visit.visited.isValid() ? jsonString(visit.visited.toString(Qt::ISODate)) : null,
             jsonString(visit.station), QString::number(visit.factory), jsonString(visit.label),
             jsonString(visit.result), visit.energy ? hundredths(*visit.energy) : null,
             visit.offset ? QString::number(*visit.offset) : null);
}

int listVisits(const QStringList& arguments, const Options& options) {
    Filter filter;
    readFilter(arguments, true, &filter);
    QList<archive::VisitRecord> rows;
    const auto read = [&](Archive& archive) {
        return archive.visits(filter.factory, filter.from, filter.to);
    };
    if (const auto failed = readRows<archive::VisitRecord>(options, read, &rows)) return *failed;
    if (options.csv) {
        outCsv({sheet::visitsSheet(rows)});
        return kDone;
    }
    if (options.json) {
        QStringList json;
        for (const archive::VisitRecord& row : rows) json << visitJson(row);
        out(QStringLiteral(R"({"visits":[%1]})").arg(json.join(QLatin1Char(','))));
        return kDone;
    }
    if (rows.isEmpty()) return kDone;
    QList<QStringList> table{
        {"visited", "station", "factory", "label", "energy", "offset", "result"}};
    for (const archive::VisitRecord& row : rows) table << visitCells(row);
    printTable(table, {2, 4, 5});
    return kDone;
}

}  // namespace

QList<Command> archiveCommands() {
    return {
        {{"archive", "profiles"}, kAnyArguments, checkDayFilter, nullptr, nullptr, listProfiles},
        {{"archive", "months"}, kAnyArguments, checkMonths, nullptr, nullptr, listMonths},
        {{"archive", "visits"}, kAnyArguments, checkDayFilter, nullptr, nullptr, listVisits},
    };
}

}  // namespace vilt::cli
