#include "report/report_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include "link/outcome_texts.h"
#include "ops/events.h"
#include "ops/number_text.h"
#include "report/profile_chart_image.h"

namespace vilt::report {

namespace {

const QLocale kRussian(QLocale::Russian, QLocale::Russia);
constexpr int kResolution = 300;  // dots per inch of the PDF's pages
const QSize kChartPixels(2000, 900);
// The chart's width on the page, in the document's units (pixels of 1/96 inch): 169 mm.
constexpr int kChartWidth = 640;

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString row(const QString& name, const QString& value) {
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(escaped(name), value);
}

QString notRead(const std::optional<link::Outcome>& outcome) {
    const QString why = outcome ? link::texts::failureText(*outcome).simplified() : QString();
    return QStringLiteral("<p><i>Не прочитано%1</i></p>")
        .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + escaped(why));
}

QString value(int64_t hundredths) {
    return ops::hundredthsText(hundredths, kRussian);
}

QString identitySection(const ReportData& data) {
    QString html = QStringLiteral("<table cellpadding='2'>");
    html += row(QStringLiteral("Заводской номер"), QString::number(data.factory));
    if (data.identity) {
        html += row(QStringLiteral("Модель"), QString::number(data.identity->model));
        html += row(QStringLiteral("Версия ПО"), escaped(link::versionText(data.identity->version)));
        html += row(QStringLiteral("Место установки"), escaped(data.identity->place.trimmed()));
    }
    html += row(QStringLiteral("Прочитано"),
                data.readAt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    html += row(QStringLiteral("Станция"), escaped(data.station));
    if (!data.engineer.isEmpty()) html += row(QStringLiteral("Инженер"), escaped(data.engineer));
    return html + QStringLiteral("</table>");
}

QString clockSection(const ReportData& data) {
    QString html = QStringLiteral("<h2>Часы счетчика</h2>");
    if (!data.clockOffset || !data.clock) return html + notRead(data.clock);
    const QDateTime meter(*data.clock->date, *data.clock->time);
    html += QStringLiteral("<table cellpadding='2'>");
    html += row(QStringLiteral("Время счетчика"),
                meter.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    html += row(QStringLiteral("Расхождение с компьютером"),
                QStringLiteral("%1%2 с").arg(*data.clockOffset > 0 ? "+" : "").arg(*data.clockOffset));
    html += row(QStringLiteral("Переход на летнее время"),
                data.clock->dst ? QStringLiteral("разрешен") : QStringLiteral("запрещен"));
    return html + QStringLiteral("</table>");
}

QString countsRow(const QString& name, const ops::Counts& counts, bool total) {
    QString html = QStringLiteral("<tr><td>%1</td>").arg(escaped(name));
    for (const int32_t count : counts)
        html += QStringLiteral("<td align='right'>%1</td>").arg(value(count));
    if (total)
        html += QStringLiteral("<td align='right'>%1</td>").arg(value(ops::countTotal(counts)));
    return html + QStringLiteral("</tr>");
}

QString tableHead(const QStringList& names) {
    QString html = QStringLiteral("<table border='1' cellspacing='0' cellpadding='3'><tr>");
    for (const QString& name : names) html += QStringLiteral("<th>%1</th>").arg(escaped(name));
    return html + QStringLiteral("</tr>");
}

QString energySection(const ReportData& data) {
    QString html = QStringLiteral("<h2>Энергия по тарифам</h2>");
    const auto& energy = data.energy;
    if (!energy || !energy->active) return html + notRead(energy);
    html += tableHead({QString(), "Т1", "Т2", "Т3", "Т4", "Всего"});
    html += countsRow(QStringLiteral("Активная, кВт·ч"), *energy->active, true);
    if (energy->reactive)
        html += countsRow(QStringLiteral("Реактивная, квар·ч"), *energy->reactive, true);
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h2>Показания на конец месяцев, кВт·ч</h2>");
    html += tableHead({QStringLiteral("Месяц"), "Т1", "Т2", "Т3", "Т4"});
    for (int m = 1; m <= link::kMonthCount; ++m) {
        const auto& counts = energy->months[size_t(m - 1)];
        const QString month = kRussian.standaloneMonthName(m);
        if (counts)
            html += countsRow(month, *counts, false);
        else
            html += QStringLiteral("<tr><td>%1</td><td colspan='4'><i>не прочитано</i></td></tr>")
                        .arg(month);
    }
    return html + QStringLiteral("</table>");
}

QString journalsSection(const ReportData& data) {
    QString html = QStringLiteral("<h2>Журналы событий</h2>");
    if (!data.events) return html + notRead(std::nullopt);
    if (!data.events->ok()) html += notRead(data.events);
    for (int j = 0; j < ops::kJournalCount; ++j) {
        const auto& journal = data.events->journals[size_t(j)];
        html += QStringLiteral("<p><b>%1:</b> ").arg(escaped(ops::journalNames()[size_t(j)]));
        if (!journal) {
            html += QStringLiteral("<i>не прочитан</i></p>");
            continue;
        }
        const ops::JournalRows rows = ops::journalRows(*journal);
        QStringList times;
        for (const QDateTime& event : rows.events)
            times << event.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        if (!rows.error.isEmpty()) times << QStringLiteral("<i>%1</i>").arg(escaped(rows.error));
        html += (times.isEmpty() ? QStringLiteral("нет событий") : times.join(QStringLiteral("; "))) +
                QStringLiteral("</p>");
    }
    return html;
}

QString profileSection(const ReportData& data, int chartWidth) {
    if (!data.profile) return QString();
    const ops::ProfileOutcome& day = *data.profile;
    QString html = QStringLiteral("<h2>Профиль мощности за %1</h2>")
                       .arg(day.day.toString(QStringLiteral("dd.MM.yyyy")));
    if (!day.words) {
        return html + (day.status == link::Status::Absent
                           ? QStringLiteral("<p><i>%1</i></p>").arg(escaped(link::texts::kNoProfile))
                           : notRead(day));
    }
    int64_t total = 0;
    int broken = 0;
    for (const uint16_t word : *day.words) {
        total += ops::slotHundredths(word);
        broken += ops::slotComplete(word) ? 0 : 1;
    }
    html += QStringLiteral("<p>За сутки: %1 кВт·ч; срезов не целых: %2</p>").arg(value(total)).arg(broken);
    return html + QStringLiteral("<p><img src='%1' width='%2'></p>").arg(kChartName).arg(chartWidth);
}

void prepare(QTextDocument& document, const ReportData& data, int chartWidth) {
    QFont font = document.defaultFont();
    font.setPointSize(10);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("h1 { font-size: 16pt; } h2 { font-size: 12pt; }"));
    if (data.profile && data.profile->words)
        document.addResource(QTextDocument::ImageResource, QUrl(kChartName),
                             profileChartImage(*data.profile, kChartPixels, kRussian));
    document.setHtml(reportHtml(data, chartWidth));
}

}  // namespace

void paintReport(QPagedPaintDevice& device, const ReportData& data) {
    QTextDocument document;
    prepare(document, data, kChartWidth);
    QPainter painter(&device);
    const int dpi = device.logicalDpiY();
    const QRectF page(QPointF(0, 0), device.pageLayout().paintRectPixels(dpi).size());
    const double footer = dpi * 0.4;
    document.documentLayout()->setPaintDevice(&device);
    document.setPageSize(QSizeF(page.width(), page.height() - footer));
    const int pages = document.pageCount();
    const double height = page.height() - footer;
    for (int p = 0; p < pages; ++p) {
        if (p > 0) device.newPage();
        painter.save();
        painter.translate(0, -p * height);
        document.drawContents(&painter, QRectF(0, p * height, page.width(), height));
        painter.restore();
        painter.drawText(QRectF(0, page.height() - footer, page.width(), footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Страница %1 из %2").arg(p + 1).arg(pages));
    }
}

QString reportHtml(const ReportData& data, int chartWidth) {
    return QStringLiteral("<h1>Отчёт о посещении счетчика № %1</h1>").arg(data.factory) +
           identitySection(data) + clockSection(data) + energySection(data) +
           journalsSection(data) + profileSection(data, chartWidth);
}

std::optional<QString> writeReportPdf(const QString& path, const ReportData& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Не удалось сохранить файл %1: %2").arg(path, file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(kResolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Отчёт о посещении счетчика № %1").arg(data.factory));
        writer.setCreator(QStringLiteral("vilt-service"));
        paintReport(writer, data);
    }
    if (!file.commit())
        return QStringLiteral("Не удалось сохранить файл %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

}  // namespace vilt::report
