#pragma once
// The modem row of the connection page: the telephone number, the dial and hang-up buttons
// in one place, and the link state.

#include <QWidget>
#include <functional>

#include "app/services.h"
#include "link/modem.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vilt::app {

class ModemGroup : public QWidget {
    Q_OBJECT
  public:
    // beforeDial: the connection page names the port and lets its speed list follow the dial.
    ModemGroup(Services& services, std::function<void()> beforeDial, QWidget* parent = nullptr);

    void Button1Click();  // dial
    void Button2Click();  // hang up
    link::ModemState state() const { return m_state; }

  signals:
    // The speed list and the batch button may be used only while the modem is idle.
    void idleChanged(bool idle);

  private:
    void show(const link::ModemOutcome& outcome);
    void setState(link::ModemState state, const QString& caption = link::kDialCaption);

    Services& m_services;
    std::function<void()> m_beforeDial;
    link::Modem m_modem;
    link::ModemState m_state = link::ModemState::Idle;
    QLineEdit* m_number = nullptr;
    QPushButton* m_dial = nullptr;
    QPushButton* m_hangUp = nullptr;
    QLabel* m_idle = nullptr;
    QLabel* m_dialling = nullptr;
    QLabel* m_connected = nullptr;
};

}  // namespace vilt::app
