#pragma once
// The chart of a day's power profile: the 48 half hours over the hours of the day, the day
// and the meter in its title. A half hour the meter did not record whole is shaded and
// left out of the line, so a partial slice never reads as a drop to its partial value.

#include <QDate>
#include <QWidget>
#include <array>
#include <optional>

#include "ops/profile.h"

class QAreaSeries;
class QChart;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace vilt::app {

// One day as the page shows it: a value per half hour (none when never written) and, when
// known, whether the meter recorded it whole. The archive keeps no flags: complete is empty.
struct ProfileDay {
    QDate day;
    qint64 factory = 0;
    std::array<std::optional<double>, link::kProfileSlotCount> values;
    std::optional<std::array<bool, link::kProfileSlotCount>> complete;
};

// Gridlines at round values: the step of about five intervals (1, 2 or 5 times a power of ten)
// that covers `highest`.
double roundStep(double highest);

class ProfileChart : public QWidget {
    Q_OBJECT
  public:
    explicit ProfileChart(QWidget* parent = nullptr);

    void showDay(const ProfileDay& day);
    // A day with nothing to draw; `why` follows the title.
    void clearDay(const QDate& day, qint64 factory, const QString& why);

    QChart* chart() const { return m_chart; }

  private:
    void setTitle(const QDate& day, qint64 factory, const QString& why = {});
    void clearLines();
    void addLine(const QList<QPointF>& points);
    void scaleValues(double lowest, double highest);

    QChart* m_chart = nullptr;
    QValueAxis* m_x = nullptr;
    QValueAxis* m_y = nullptr;
    QLineSeries* m_shadeTop = nullptr;
    QAreaSeries* m_shade = nullptr;
    QLabel* m_shadeNote = nullptr;
    QList<QLineSeries*> m_lines;
};

}  // namespace vilt::app
