#pragma once
// "Энергия по тарифам": the counters of the last energy read, active and reactive, each
// tariff and the total, and whether the month-end readings are read too.

#include <QGroupBox>
#include <array>
#include <optional>

#include "ops/readings.h"
#include "sheet/csv.h"

class QCheckBox;
class QLineEdit;

namespace vilt::app {

class Presenter;

class EnergyGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit EnergyGroup(Presenter& presenter, QWidget* parent = nullptr);

    // Before the reads: every edit blank.
    void blank();
    // The rows the outcome read; a row that was not read stays blank.
    void show(const ops::EnergyOutcome& outcome);
    bool monthsWanted() const;
    // The counters shown, for a spreadsheet (none shown: the heading alone).
    sheet::Sheet sheet() const;

  private:
    using Row = std::array<QLineEdit*, link::kTariffCount + 1>;  // T1 … T4, total
    static void showRow(const Row& row, const ops::Counts& counts);

    Row m_active{};
    Row m_reactive{};
    QCheckBox* m_months = nullptr;
    std::optional<ops::EnergyOutcome> m_shown;
};

}  // namespace vilt::app
