#pragma once
// "Энергия по тарифам": the counters of the last energy read, active and reactive, each
// tariff and the total, and whether the month-end readings are read too.

#include <QGroupBox>
#include <array>

#include "ops/readings.h"

class QCheckBox;
class QLineEdit;

namespace vilt::app {

class EnergyGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit EnergyGroup(QWidget* parent = nullptr);

    // Before the reads: every edit blank.
    void blank();
    // The rows the outcome read; a row that was not read stays blank.
    void show(const ops::EnergyOutcome& outcome);
    bool monthsWanted() const;

  private:
    using Row = std::array<QLineEdit*, ops::kTariffCount + 1>;  // T1 … T4, total
    static void showRow(const Row& row, const ops::Counts& counts);

    Row m_active{};
    Row m_reactive{};
    QCheckBox* m_months = nullptr;
};

}  // namespace vilt::app
