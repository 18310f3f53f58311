#pragma once
// The clock group of the exchange group: the meter's date and time, the day name, the
// permission to change between winter and summer time, and the synchronise button.

#include <QGroupBox>

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace vilt::app {

class ClockGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit ClockGroup(QWidget* parent = nullptr);

    QTime time() const;
    QDate date() const;
    void setTime(const QTime& time);
    void setDate(const QDate& date);
    void showDayName(const QString& name);
    bool dstAllowed() const;
    void setDstAllowed(bool allowed);
    // Start-up: the workstation's date and time, and the day name of that date.
    void setToNow();
    void dateChosen();

    QPushButton* syncButton() const { return m_sync; }

  private:
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QLabel* m_day = nullptr;
    QCheckBox* m_dst = nullptr;
    QPushButton* m_sync = nullptr;
    bool m_settingDate = false;  // the program, not the user, is changing the date
};

}  // namespace vilt::app
