#pragma once
// "Показания за 12 месяцев": the month-end readings, as read from the meter or as stored in
// the archive, one month a row; the browse buttons step through the stored rows.

#include <QWidget>
#include <array>

#include "app/services.h"
#include "archive/archive.h"
#include "ops/readings.h"

namespace vilt::app {

class StringGrid;

// MonthEndTab: the active month-end counts read, by month (0 = January) and tariff.
using MonthEndTab = std::array<ops::Counts, ops::kMonthCount>;

class MonthPage : public QWidget {
    Q_OBJECT
  public:
    explicit MonthPage(Services& services, QWidget* parent = nullptr);

    // Every Read: the month cells blank, whatever is read.
    void blankMonths();
    // The months a Read got, active columns.
    void showMonths(const ops::EnergyOutcome& outcome);
    void BitBtn6Click();  // forward
    void BitBtn5Click();  // backward

    const MonthEndTab& monthEnds() const { return m_monthEnds; }

  private:
    void Read_BD_12(const archive::MonthRow& row);
    void step(bool forward);

    Services& m_services;
    StringGrid* m_grid = nullptr;
    MonthEndTab m_monthEnds{};
};

}  // namespace vilt::app
