#include "cli/reading_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "ops/number_text.h"

namespace vilt::cli {

namespace {

constexpr int kFirstYear = 2000;  // the profile request names the year by two digits
constexpr int kLastYear = 2099;

QString endText(const QDate& day, int k) {
    return ops::slotLabel(day, k).end.toString(QStringLiteral("H:mm:ss"));
}

}  // namespace

QString hundredths(int64_t count) {
    return ops::hundredthsText(count, QLocale::c());
}

QStringList countTexts(const ops::Counts& counts) {
    QStringList texts;
    for (const int32_t count : counts) texts << hundredths(count);
    return texts;
}

std::optional<QDate> parseDay(const QString& text) {
    static const QRegularExpression kShape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!kShape.match(text).hasMatch()) return std::nullopt;
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid() || day.year() < kFirstYear || day.year() > kLastYear) return std::nullopt;
    return day;
}

DaySlices fromMeter(const QDate& day, const ops::ProfileWords& words) {
    DaySlices slices{day, std::nullopt, {}, words};
    for (size_t k = 0; k < words.size(); ++k)
        slices.values[k] = hundredths(ops::slotHundredths(words[k]));
    return slices;
}

DaySlices fromArchive(const archive::ProfileRow& row) {
    DaySlices slices{row.day, row.factory, {}, std::nullopt};
    for (size_t k = 0; k < row.values.size(); ++k)
        slices.values[k] = ops::storedText(row.values[k]);
    return slices;
}

QStringList dayText(const DaySlices& slices) {
    QString heading = QStringLiteral("Срезы за %1").arg(slices.day.toString("dd.MM.yyyy"));
    if (slices.factory) heading += QStringLiteral(", заводской номер %1").arg(*slices.factory);
    QStringList lines{heading + QStringLiteral(", кВт*ч:")};
    for (int k = 0; k < link::kProfileSlotCount; ++k) {
        const size_t at = static_cast<size_t>(k);
        QString line = QStringLiteral("%1 %2 %3 %4")
                           .arg(k, 2)
                           .arg(endText(slices.day, k), 8)
                           .arg(ops::slotLabel(slices.day, k).date.toString("dd.MM.yyyy"))
                           .arg(slices.values[at].value_or(QStringLiteral("0")), 9);
        if (slices.words)
            line += QStringLiteral("  ") + ops::slotStatusText(ops::slotComplete((*slices.words)[at]));
        lines << line;
    }
    return lines;
}

QString dayJson(const DaySlices& slices) {
    QStringList entries;
    for (int k = 0; k < link::kProfileSlotCount; ++k) {
        const size_t at = static_cast<size_t>(k);
        QString slot = QStringLiteral(R"({"k":%1,"end":"%2","value":%3)")
                           .arg(k)
                           .arg(endText(slices.day, k))
                           .arg(slices.values[at].value_or(QStringLiteral("null")));
        if (slices.words)
            slot += ops::slotComplete((*slices.words)[at]) ? QStringLiteral(R"(,"complete":true)")
                                                           : QStringLiteral(R"(,"complete":false)");
        entries << slot + QLatin1Char('}');
    }
    QString day = QStringLiteral(R"({"date":"%1")").arg(slices.day.toString(Qt::ISODate));
    if (slices.factory) day += QStringLiteral(R"(,"factory":%1)").arg(*slices.factory);
    return day + QStringLiteral(R"(,"slots":[%1]})").arg(entries.join(QLatin1Char(',')));
}

}  // namespace vilt::cli
