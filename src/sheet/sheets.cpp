#include "sheet/sheets.h"

#include "ops/number_text.h"
#include "ops/profile.h"

namespace vilt::sheet {

namespace {

QStringList profileHeading(bool withStatus) {
    QStringList heading{QStringLiteral("Заводской номер"), QStringLiteral("Сутки"),
                        QStringLiteral("№"),               QStringLiteral("Время"),
                        QStringLiteral("Дата"),            QStringLiteral("А+, кВт*ч")};
    if (withStatus) heading << QStringLiteral("Статус");
    return heading;
}

QList<Cell> slotRow(qint64 factory, const QDate& day, int k, const Cell& value) {
    const ops::SlotLabel label = ops::slotLabel(day, k);
    return {Cell::integer(factory),
            Cell::date(day),
            Cell::integer(k),
            Cell::text(label.end.toString(QStringLiteral("H:mm"))),
            Cell::date(label.date),
            value};
}

Cell stored(const std::optional<double>& value) {
    const std::optional<QString> text = ops::storedText(value);
    return text ? Cell::number(*text) : Cell();
}

QList<Cell> countCells(const ops::Counts& counts) {
    QList<Cell> cells;
    for (const int32_t count : counts) cells << Cell::hundredths(count);
    cells << Cell::hundredths(ops::countTotal(counts));
    return cells;
}

}  // namespace

Sheet profileSheet(const QList<archive::ProfileRow>& days) {
    Sheet sheet{profileHeading(false), {}};
    for (const archive::ProfileRow& day : days)
        for (int k = 0; k < link::kProfileSlotCount; ++k)
            sheet.rows << slotRow(day.factory, day.day, k, stored(day.values[size_t(k)]));
    return sheet;
}

Sheet profileSheet(const QList<ops::ProfileOutcome>& days) {
    Sheet sheet{profileHeading(true), {}};
    for (const ops::ProfileOutcome& day : days) {
        if (!day.words) continue;
        for (int k = 0; k < link::kProfileSlotCount; ++k) {
            const uint16_t word = (*day.words)[size_t(k)];
            QList<Cell> row =
                slotRow(day.factory, day.day, k, Cell::hundredths(ops::slotHundredths(word)));
            row << Cell::text(ops::slotStatusText(ops::slotComplete(word)));
            sheet.rows << row;
        }
    }
    return sheet;
}

Sheet monthSheet(const QList<archive::MonthRow>& rows) {
    Sheet sheet{{QStringLiteral("Заводской номер"), QStringLiteral("Месяц")}, {}};
    for (int t = 1; t <= link::kTariffCount; ++t) sheet.heading << QStringLiteral("Т%1, кВт*ч").arg(t);
    for (int t = 1; t <= link::kTariffCount; ++t)
        sheet.heading << QStringLiteral("Т%1 реактив, квар*ч").arg(t);
    for (const archive::MonthRow& row : rows) {
        for (int m = 1; m <= link::kMonthCount; ++m) {
            QList<Cell> cells{Cell::integer(row.factory), Cell::integer(m)};
            for (int t = 1; t <= link::kTariffCount; ++t)
                cells << stored(row.active[size_t(archive::monthIndex(m, t))]);
            for (int t = 1; t <= link::kTariffCount; ++t)
                cells << stored(row.reactive[size_t(archive::monthIndex(m, t))]);
            sheet.rows << cells;
        }
    }
    return sheet;
}

archive::MonthRow monthRow(qint64 factory, const ops::EnergyOutcome& read) {
    archive::MonthRow row;
    row.factory = factory;
    for (int m = 1; m <= link::kMonthCount; ++m) {
        const auto& counts = read.months[size_t(m - 1)];
        if (!counts) continue;
        for (int t = 1; t <= link::kTariffCount; ++t)
            row.active[size_t(archive::monthIndex(m, t))] = ops::countValue((*counts)[size_t(t - 1)]);
    }
    return row;
}

Sheet energySheet(const ops::EnergyOutcome& read) {
    Sheet sheet{{QStringLiteral("Энергия"), QStringLiteral("Т1"), QStringLiteral("Т2"),
                 QStringLiteral("Т3"), QStringLiteral("Т4"), QStringLiteral("Сумма")},
                {}};
    if (read.active) sheet.rows << QList<Cell>{Cell::text(QStringLiteral("Активная, кВт*ч"))} +
                                       countCells(*read.active);
    if (read.reactive)
        sheet.rows << QList<Cell>{Cell::text(QStringLiteral("Реактивная, квар*ч"))} +
                          countCells(*read.reactive);
    return sheet;
}

Sheet journalSheet(const ops::Journals& journals) {
    Sheet sheet{{QStringLiteral("Журнал"), QStringLiteral("№"), QStringLiteral("Дата и время")},
                {}};
    for (int j = 0; j < ops::kJournalCount; ++j) {
        const QString& name = ops::journalNames()[size_t(j)];
        const ops::JournalRows rows = ops::journalRows(journals[size_t(j)]);
        for (int n = 0; n < rows.events.size(); ++n)
            sheet.rows << QList<Cell>{Cell::text(name), Cell::integer(n + 1),
                                      Cell::dateTime(rows.events[n])};
        if (!rows.error.isEmpty())
            sheet.rows << QList<Cell>{Cell::text(name), Cell(), Cell::text(rows.error)};
    }
    return sheet;
}

Sheet visitsSheet(const QList<archive::VisitRecord>& visits) {
    Sheet sheet{{QStringLiteral("Время"), QStringLiteral("Станция"),
                 QStringLiteral("Заводской номер"), QStringLiteral("Метка"),
                 QStringLiteral("Результат"), QStringLiteral("Смещение часов, с"),
                 QStringLiteral("Энергия, кВт*ч")},
                {}};
    for (const archive::VisitRecord& visit : visits)
        sheet.rows << QList<Cell>{Cell::dateTime(visit.visited),
                                  Cell::text(visit.station),
                                  Cell::integer(visit.factory),
                                  Cell::text(visit.label),
                                  Cell::text(visit.result),
                                  visit.offset ? Cell::integer(*visit.offset) : Cell(),
                                  visit.energy ? Cell::hundredths(*visit.energy) : Cell()};
    return sheet;
}

Sheet roundSheet(const QList<station::MeterResult>& results) {
    Sheet summary{{QStringLiteral("Строка файла"), QStringLiteral("Метка"),
                   QStringLiteral("Заводской номер"), QStringLiteral("Энергия, кВт*ч"),
                   QStringLiteral("Смещение часов, с"), QStringLiteral("Результат")},
                  {}};
    for (const station::MeterResult& r : results)
        summary.rows << QList<Cell>{Cell::integer(r.line),
                                    Cell::text(r.label),
                                    r.factory ? Cell::integer(*r.factory) : Cell(),
                                    r.energy ? Cell::hundredths(*r.energy) : Cell(),
                                    r.offset ? Cell::integer(*r.offset) : Cell(),
                                    Cell::text(r.result)};
    return summary;
}

}  // namespace vilt::sheet
