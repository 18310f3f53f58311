#pragma once
// "Показания за 12 месяцев": the month-end readings, as read from the meter or as stored in
// the archive, one month a row; the browse buttons step through the stored rows.

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/frame/services.h"
#include "archive/archive.h"
#include "ops/readings.h"
#include "sheet/csv.h"

class QLabel;

namespace vilt::app {

class StringGrid;

// MonthEndCounts: the active month-end counts read, by month (0 = January) and tariff.
using MonthEndCounts = std::array<ops::Counts, link::kMonthCount>;

class MonthPage : public QWidget {
    Q_OBJECT
  public:
    // factory: the number a read is stored under (the connection page's factory number), named above
    // the grid.
    explicit MonthPage(Services& services, std::function<qint64()> factory = {},
                       QWidget* parent = nullptr);

    // Every Read: the month cells blank, whatever is read.
    void blankMonths();
    // The months a Read got, active columns.
    void showMonths(const ops::EnergyOutcome& outcome);
    void showNextRecord();  // forward
    void showPreviousRecord();  // backward

    const MonthEndCounts& monthEnds() const { return m_monthEnds; }
    // The readings shown, read or stored, for a spreadsheet.
    sheet::Sheet sheet() const;

  private:
    void showStoredRow(const archive::MonthRow& row);
    void step(bool forward);
    void setCount(int column, int month, const QString& text);
    void fitColumns();

    Services& m_services;
    std::function<qint64()> m_factory;
    QLabel* m_title = nullptr;
    StringGrid* m_grid = nullptr;
    MonthEndCounts m_monthEnds{};
    std::optional<archive::MonthRow> m_shown;
};

}  // namespace vilt::app
