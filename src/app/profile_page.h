#pragma once
// "   Срезы    ": a day's power profile, read from the meter (and stored) or browsed in the
// archive, as a grid of 48 half hours and a line chart.

#include <QWidget>
#include <functional>

#include "app/services.h"
#include "archive/archive.h"
#include "ops/readings.h"

class QComboBox;
class QDateEdit;
class QLineSeries;

namespace vilt::app {

class StringGrid;

class ProfilePage : public QWidget {
    Q_OBJECT
  public:
    // factory: the number a read is stored under (the connection page's Zav_n).
    ProfilePage(Services& services, std::function<qint64()> factory, QWidget* parent = nullptr);

    void RdSrClick();
    void BitBtn3Click();  // forward
    void BitBtn4Click();  // backward

    // The number filter of the browse: empty for "Все №".
    QString filter() const;

  private:
    QWidget* buildChart();
    void step(bool forward);
    void showSlots(const QDate& day, const std::array<double, ops::kSlotCount>& values);
    void showRead(const ops::ProfileOutcome& outcome);
    void showStored(const archive::ProfileRow& row);

    Services& m_services;
    std::function<qint64()> m_factory;
    QDateEdit* m_day = nullptr;
    QComboBox* m_numbers = nullptr;
    StringGrid* m_grid = nullptr;
    QLineSeries* m_series = nullptr;
};

}  // namespace vilt::app
