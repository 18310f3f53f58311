#include "report/profile_chart_image.h"

#include <QPainter>
#include <cmath>
#include <tuple>

#include "ops/profile.h"

namespace vilt::report {

namespace {

constexpr int kHours = 24;
constexpr double kSlotHours = 0.5;
const QColor kWhole(0x2f, 0x6f, 0xb3);
const QColor kBroken(0xe0, 0x8a, 0x1e);
const QColor kGrid(0xcc, 0xcc, 0xcc);

// Where the plot lies in the picture, and how values and hours map into it.
struct Plot {
    QRectF area;
    double top = 1;
    double x(double hours) const { return area.left() + area.width() * hours / kHours; }
    double y(double value) const { return area.bottom() - area.height() * value / top; }
};

int decimalsOf(double step) {
    return step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
}

void drawGrid(QPainter& painter, const Plot& plot, double step, const QLocale& locale) {
    const QFontMetrics metrics(painter.font());
    for (int n = 0; n * step <= plot.top + step * 1e-9; ++n) {
        const double y = plot.y(n * step);
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.area.left(), y), QPointF(plot.area.right(), y));
        const QString label = locale.toString(n * step, 'f', decimalsOf(step));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, y - metrics.height(), plot.area.left() - 10, 2 * metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    for (int hour = 0; hour <= kHours; hour += 2) {
        const double x = plot.x(hour);
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(x, plot.area.top()), QPointF(x, plot.area.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 60, plot.area.bottom() + 6, 120, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("%1:00").arg(hour));
    }
}

void drawBars(QPainter& painter, const Plot& plot, const ops::ProfileWords& words) {
    for (int k = 0; k < link::kProfileSlotCount; ++k) {
        const uint16_t word = words[size_t(k)];
        const double value = ops::slotHundredths(word) / 100.0;
        const QRectF bar(QPointF(plot.x(k * kSlotHours) + 1, plot.y(value)),
                         QPointF(plot.x((k + 1) * kSlotHours) - 1, plot.area.bottom()));
        const bool whole = ops::slotComplete(word);
        painter.fillRect(bar, whole ? kWhole : kBroken);
        if (!whole) painter.fillRect(bar, QBrush(Qt::white, Qt::BDiagPattern));
    }
}

void drawAxes(QPainter& painter, const Plot& plot, const QSize& size) {
    const QFontMetrics metrics(painter.font());
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(plot.area.bottomLeft(), plot.area.bottomRight());
    painter.drawLine(plot.area.bottomLeft(), plot.area.topLeft());
    painter.drawText(QRectF(plot.area.left(), size.height() - metrics.height() - 4,
                            plot.area.width(), metrics.height()),
                     Qt::AlignHCenter, QStringLiteral("Время суток, ч"));
    painter.save();
    painter.translate(metrics.height() / 2.0 + 4, plot.area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.area.height() / 2, -metrics.height() / 2.0, plot.area.height(),
                            metrics.height()),
                     Qt::AlignCenter, QStringLiteral("Энергия за 30 мин, кВт·ч"));
    painter.restore();
}

// Above the plot's right end: a box of each colour and what it means.
void drawLegend(QPainter& painter, const QRectF& area) {
    const QFontMetrics metrics(painter.font());
    const double side = metrics.height() * 0.7;
    const QString whole = QStringLiteral("Срез целый");
    const QString broken = QStringLiteral("Срез не целый");
    const double gap = metrics.height();
    double x = area.right() - (2 * (side + 8) + metrics.horizontalAdvance(whole) +
                               metrics.horizontalAdvance(broken) + gap);
    const double top = area.top() - metrics.height() - 4;
    for (const auto& [text, colour, hatched] :
         {std::tuple{whole, kWhole, false}, std::tuple{broken, kBroken, true}}) {
        const QRectF box(x, top + (metrics.height() - side) / 2, side, side);
        painter.fillRect(box, colour);
        if (hatched) painter.fillRect(box, QBrush(Qt::white, Qt::BDiagPattern));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(box.right() + 8, top, metrics.horizontalAdvance(text) + 4,
                                metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        x = box.right() + 8 + metrics.horizontalAdvance(text) + gap;
    }
}

}  // namespace

double gridStep(double top) {
    if (!(top > 0)) return 1;
    const double rough = top / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (rough <= factor * power) return factor * power;
    return 10 * power;
}

QImage profileChartImage(const ops::ProfileOutcome& day, const QSize& size,
                         const QLocale& locale) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(std::max(12, size.height() / 26));
    painter.setFont(font);
    const QFontMetrics metrics(font);

    double largest = 0;
    if (day.words)
        for (const uint16_t word : *day.words)
            largest = std::max(largest, ops::slotHundredths(word) / 100.0);
    const double step = gridStep(largest > 0 ? largest : 1);
    Plot plot;
    plot.top = step * std::max(1.0, std::ceil(largest / step));
    const double left = metrics.horizontalAdvance(QStringLiteral("0000,00")) + metrics.height() + 24;
    const double right = metrics.horizontalAdvance(QStringLiteral("24:00"));
    plot.area = QRectF(left, 2.5 * metrics.height(), size.width() - left - right,
                       size.height() - 5 * metrics.height());

    painter.drawText(QRectF(plot.area.left(), 4, plot.area.width(), metrics.height()), Qt::AlignLeft,
                     QStringLiteral("Профиль мощности за %1, счетчик № %2")
                         .arg(day.day.toString(QStringLiteral("dd.MM.yyyy")))
                         .arg(day.factory));
    drawGrid(painter, plot, step, locale);
    if (day.words) drawBars(painter, plot, *day.words);
    drawAxes(painter, plot, size);
    drawLegend(painter, plot.area);
    return image;
}

}  // namespace vilt::report
