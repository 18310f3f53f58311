#pragma once
// "   Срезы    ": the power profile of a day or of a range of days, read from the meter (and
// stored) or browsed in the archive, as a grid of 48 half hours and a chart.

#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

#include "app/readings/profile_chart.h"
#include "app/frame/services.h"
#include "archive/archive.h"
#include "ops/readings.h"
#include "sheet/csv.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;

namespace vilt::app {

class StringGrid;

// The stored row after `at` (before it, backward) in the browse order: by meter, then by
// day. Without `at`, the first (last) one; nullopt past either end.
std::optional<archive::ProfileRow> neighbourRow(const QList<archive::ProfileRow>& rows,
                                                const std::optional<std::pair<qint64, QDate>>& at,
                                                bool forward);

class ProfilePage : public QWidget {
    Q_OBJECT
  public:
    // factory: the number a read is stored under (the connection page's factory number).
    ProfilePage(Services& services, std::function<qint64()> factory, QWidget* parent = nullptr);

    // Reads every day from the first picker's to the second's.
    void readProfile();
    void showNextDay();  // forward
    void showPreviousDay();  // backward

    // The number filter of the browse: empty for "Все №".
    QString filter() const;
    // The day the first picker names: the report's profile day.
    QDate chosenDay() const;

    // For a spreadsheet: after a read, the days read; while browsing, the stored days of the
    // meter shown from the first picker's day to the second's. None when the archive failed
    // (the user is told).
    std::optional<sheet::Sheet> sheet() const;

  private:
    QLayout* buildReadRow();
    QLayout* buildBrowseRow();
    void fromChanged(const QDate& day);
    void dayRead(const ops::ProfileOutcome& day, int index, int count);
    void showRangeDay(int index);
    void step(bool forward);
    void showDay(const ProfileDay& day);
    void clearDay(const QDate& day, qint64 factory, const QString& why);
    void showStored(const archive::ProfileRow& row);

    Services& m_services;
    std::function<qint64()> m_factory;
    QDateEdit* m_day = nullptr;
    QDateEdit* m_dayTo = nullptr;
    QDate m_from;  // the first picker's day before its last change
    QProgressBar* m_rangeProgress = nullptr;
    QComboBox* m_rangeDays = nullptr;
    QComboBox* m_numbers = nullptr;
    QLabel* m_browseNote = nullptr;
    StringGrid* m_grid = nullptr;
    ProfileChart* m_chart = nullptr;
    // The days of the last range read, as the meter gave them (with the flags).
    QList<ops::ProfileOutcome> m_range;
    // The meter and day the browse stands on.
    std::optional<std::pair<qint64, QDate>> m_at;
    bool m_browsing = false;  // the day shown is a stored one
};

}  // namespace vilt::app
