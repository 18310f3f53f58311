#pragma once
// "Нестандартные дни": the calendar of special days as a list of up to 30 dates, each a
// working day or a holiday, picked on a month grid.

#include <QWidget>

#include "app/frame/services.h"

class QCalendarWidget;
class QPushButton;
class QSpinBox;

namespace vilt::app {

class RadioGroup;
class StringGrid;

class SpecialDaysPage : public QWidget {
    Q_OBJECT
  public:
    explicit SpecialDaysPage(Services& services, QWidget* parent = nullptr);

    // Row i + 1 of the list for record i; a type without a name leaves its cell.
    void showDayRow(int type, int i);
    // The list from the table, the pickers on its last record; its length.
    int showCalendar();
    void addDay();
    void deleteDay();
    // Start-up and «Очистить»: an empty list.
    void clearDays();
    void monthChosen();
    void yearChanged();
    // The page is opened: the list as the table holds it now.
    void pageOpened();

    QPushButton* cancelButton() const { return m_erase; }

  private:
    QWidget* buildPickers();
    void setMonth(int month);
    void setDay(int day);
    void clearRows();
    void updateButtons();

    Services& m_services;
    QSpinBox* m_year = nullptr;
    RadioGroup* m_months = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    RadioGroup* m_type = nullptr;
    StringGrid* m_grid = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_erase = nullptr;
};

}  // namespace vilt::app
