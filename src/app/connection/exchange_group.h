#pragma once
// The exchange group of the connection page: what to exchange with the meter, the Read and
// Write buttons, the clock group, place, speed and the password change.

#include <QButtonGroup>
#include <QGroupBox>

#include "app/frame/services.h"
#include "ops/operations.h"

class QLabel;
class QLineEdit;
class QSpinBox;
class QPushButton;
class QRadioButton;

namespace vilt::app {

class ClockGroup;
class EnergyGroup;
class RadioGroup;

class ExchangeGroup : public QGroupBox {
    Q_OBJECT
  public:
    ExchangeGroup(Services& services, ops::Journals& events, QWidget* parent = nullptr);

    void readSelected();
    // A Read in two halves, for a sequence that runs the read itself: the window made ready
    // for the group, then what came of it shown.
    void beginRead(ops::Group group);
    void showRead(const ops::ReadOutcome& outcome);
    // Before a visit: the energy, the month-end readings and the journals of an earlier
    // read are taken away, so that nothing on the pages passes for this visit's.
    void blankReadings();
    void writeSelected();
    void syncClock();
    void changePassword();
    // The radio buttons' handlers: which of Read, Write and the speed list may be used.
    void selectGroup(ops::Group group);
    // The group's radio button checked, and its buttons set, as a click would.
    void chooseGroup(ops::Group group);

    ClockGroup& clock() const { return *m_clock; }
    EnergyGroup& energy() const { return *m_energy; }
    // Where the energy read finds the number its month-end readings are stored under.
    void setFactoryField(const QSpinBox* factory) { m_factory = factory; }

    ops::Group selectedGroup() const;

  signals:
    // Every Read, before anything is asked.
    void readStarting();
    // The energy group's readings, the month-end ones among them.
    void energyRead(const ops::EnergyOutcome& outcome);

  private:
    QRadioButton* addRadio(ops::Group group, const char* name, const QString& caption = {});
    QWidget* buildSelection();
    QWidget* buildPasswordRow();
    void showClock(const ops::ClockOutcome& outcome);
    void showTariffs(const tariff::TariffReadOutcome& outcome);
    ops::EnergyRequest energyRequest() const;
    void storeJournals(const ops::EventsOutcome& outcome);

    Services& m_services;
    ops::Journals& m_events;
    QButtonGroup m_groups;
    ClockGroup* m_clock = nullptr;
    EnergyGroup* m_energy = nullptr;
    const QSpinBox* m_factory = nullptr;
    RadioGroup* m_speed = nullptr;
    QLineEdit* m_place = nullptr;
    QPushButton* m_read = nullptr;
    QPushButton* m_write = nullptr;
    QLineEdit* m_newPassword = nullptr;
    QLineEdit* m_newPassword2 = nullptr;
};

}  // namespace vilt::app
