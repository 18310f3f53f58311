#include "app/readings/profile_chart.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

#include "app/widgets/clock_text.h"

namespace vilt::app {

namespace {

const QString kChartTitle = QStringLiteral("Суточный профиль мощности(кВт*час)");
constexpr double kHoursPerSlot = 0.5;
constexpr int kHourTicks = 6;  // a label "18:00" needs the width of six hours
constexpr int kIntervals = 5;
const QColor kShade(160, 160, 160, 110);

// Slot k ends (k + 1) half hours after midnight: 0:30 … 24:00.
double slotEnd(int k) {
    return (k + 1) * kHoursPerSlot;
}

// As many decimals as the step needs.
QString labelFormat(double step) {
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    return decimals == 0 ? QStringLiteral("%d") : QStringLiteral("%.%1f").arg(decimals);
}

}  // namespace

double roundStep(double highest) {
    constexpr double kSmallest = 0.01;  // the meter counts hundredths
    if (!(highest > kSmallest)) return kSmallest;
    const double raw = highest / kIntervals;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double scaled = raw / magnitude;
    const double factor = scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10;
    return std::max(kSmallest, factor * magnitude);
}

ProfileChart::ProfileChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profileChart"));
    auto* title = new QLabel(kChartTitle, this);
    title->setObjectName(QStringLiteral("profileChartTitle"));
    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setLocalizeNumbers(true);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    // The hours as a clock shows them, each label on its gridline.
    auto* hours = new QCategoryAxis(m_chart);
    hours->setRange(0, 24);
    hours->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (int hour = 0; hour <= 24; hour += kHourTicks)
        hours->append(QStringLiteral("%1:00").arg(hour), hour);
    hours->setTitleText(QStringLiteral("Время, ч"));
    m_x = hours;
    m_y = new QValueAxis(m_chart);
    m_y->setTickAnchor(0);
    m_y->setTitleText(QStringLiteral("А+, кВт*ч"));
    m_chart->addAxis(m_x, Qt::AlignBottom);
    m_chart->addAxis(m_y, Qt::AlignLeft);
    m_shadeTop = new QLineSeries(m_chart);
    m_shade = new QAreaSeries(m_shadeTop);
    m_shade->setObjectName(QStringLiteral("profileIncomplete"));
    m_shade->setName(QStringLiteral("Срез не целый"));
    m_shade->setBrush(kShade);
    m_shade->setPen(Qt::NoPen);
    m_chart->addSeries(m_shade);
    m_shade->attachAxis(m_x);
    m_shade->attachAxis(m_y);
    scaleValues(0, 0);

    auto* view = new QChartView(m_chart, this);
    view->setObjectName(QStringLiteral("profileChartView"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setAccessibleName(kChartTitle);
    view->viewport()->setAccessibleName(kChartTitle);
    view->setMinimumSize(300, 150);
    m_shadeNote = new QLabel(QStringLiteral("Серым отмечены срезы, записанные не целиком"), this);
    m_shadeNote->setObjectName(QStringLiteral("profileIncompleteNote"));
    m_shadeNote->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(view, 1);
    layout->addWidget(m_shadeNote);
}

void ProfileChart::setTitle(const QDate& day, qint64 factory, const QString& why) {
    QString title = QStringLiteral("%1, счетчик № %2").arg(dateText(day)).arg(factory);
    if (!why.isEmpty()) title += QStringLiteral(": ") + why;
    m_chart->setTitle(title);
}

void ProfileChart::clearLines() {
    for (QLineSeries* line : std::as_const(m_lines)) {
        m_chart->removeSeries(line);
        delete line;
    }
    m_lines.clear();
}

// The first run of whole half hours keeps the line's old name.
void ProfileChart::addLine(const QList<QPointF>& points) {
    auto* line = new QLineSeries(m_chart);
    line->setObjectName(m_lines.isEmpty() ? QStringLiteral("profileLine")
                                          : QStringLiteral("profileLine%1").arg(m_lines.size() + 1));
    line->setPen(QPen(Qt::red, 2));
    line->setPointsVisible(points.size() == 1);  // a lone half hour is a dot
    line->replace(points);
    m_chart->addSeries(line);
    line->attachAxis(m_x);
    line->attachAxis(m_y);
    m_lines << line;
}

void ProfileChart::scaleValues(double lowest, double highest) {
    const double step = roundStep(std::max(std::abs(lowest), highest));
    const double bottom = lowest < 0 ? std::floor(lowest / step - 1e-9) * step : 0;
    const double top = std::max(step, std::ceil(highest / step - 1e-9) * step);
    // Fixed ticks while both change: a small old step over a wide new range would lay out
    // thousands of gridlines for a moment.
    m_y->setTickType(QValueAxis::TicksFixed);
    m_y->setRange(bottom, top);
    m_y->setTickInterval(step);
    m_y->setLabelFormat(labelFormat(step));
    m_y->setTickType(QValueAxis::TicksDynamic);
}

// A run of whole half hours is a line; a half hour not whole, or never written, breaks it.
void ProfileChart::showDay(const ProfileDay& day) {
    m_chart->setLocale(QLocale());
    setTitle(day.day, day.factory);
    clearLines();
    QList<QPointF> run;
    QList<int> partial;
    double lowest = 0;
    double highest = 0;
    for (int k = 0; k < link::kProfileSlotCount; ++k) {
        const auto& value = day.values[size_t(k)];
        const bool whole = !day.complete || (*day.complete)[size_t(k)];
        if (!whole) partial << k;
        if (value && whole) {
            run << QPointF(slotEnd(k), *value);
            lowest = std::min(lowest, *value);
            highest = std::max(highest, *value);
            continue;
        }
        if (!run.isEmpty()) addLine(run);
        run.clear();
    }
    if (!run.isEmpty()) addLine(run);
    scaleValues(lowest, highest);
    QList<QPointF> shade;
    for (int k : std::as_const(partial)) {
        shade << QPointF(slotEnd(k) - kHoursPerSlot, m_y->min())
              << QPointF(slotEnd(k) - kHoursPerSlot, m_y->max()) << QPointF(slotEnd(k), m_y->max())
              << QPointF(slotEnd(k), m_y->min());
    }
    m_shadeTop->replace(shade);
    m_shadeNote->setVisible(!partial.isEmpty());
}

void ProfileChart::clearDay(const QDate& day, qint64 factory, const QString& why) {
    setTitle(day, factory, why);
    clearLines();
    m_shadeTop->clear();
    m_shadeNote->hide();
    scaleValues(0, 0);
}

}  // namespace vilt::app
