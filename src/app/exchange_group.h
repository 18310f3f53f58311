#pragma once
// The exchange group of the connection page: what to exchange with the meter, the Read and
// Write buttons, the clock group, place, speed and the password change.

#include <QButtonGroup>
#include <QGroupBox>

#include "form_display.h"
#include "operation_view.h"
#include "operations.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vilt::app {

class ClockGroup;
class RadioGroup;
class TForm1;

class ExchangeGroup : public QGroupBox, public ops::OperationView, private FormDisplay {
    Q_OBJECT
  public:
    ExchangeGroup(TForm1& form, ops::EventTab& events, QWidget* parent = nullptr);

    void ReadClick();
    void WrComClick();
    void SinClick();
    void ChangePassClick();
    // The radio buttons' handlers: which of Read, Write and the speed list may be used.
    void selectGroup(ops::Group group);

    ClockGroup& clock() const { return *m_clock; }

    // OperationView
    ops::Group selectedGroup() const override;
    ops::Batch batch() const override;
    QTime clockTime() const override;
    QDate clockDate() const override;
    void setClockTime(const QTime& time) override;
    void setClockDate(const QDate& date) override;
    void showDayName(const QString& name) override;
    bool dstAllowed() const override;
    void setDstAllowed(bool allowed) override;
    QString placeText() const override;
    int speedIndex() const override;
    void repaintWindow() override;

  private:
    QRadioButton* addRadio(ops::Group group, const char* name, const QString& caption = {});
    QWidget* buildSelection();
    QWidget* buildPasswordRow();

    TForm1& m_form;
    ops::Operations m_operations;
    QButtonGroup m_groups;
    ClockGroup* m_clock = nullptr;
    RadioGroup* m_speed = nullptr;
    QLineEdit* m_place = nullptr;
    QPushButton* m_read = nullptr;
    QPushButton* m_write = nullptr;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_newPassword2 = nullptr;
    std::array<QCheckBox*, 4> m_batch{};
};

}  // namespace vilt::app
