#pragma once
// The modem row of the connection page: the telephone number, the dial and hang-up buttons
// in one place, and the state of the call.

#include <QWidget>
#include <functional>
#include <optional>

#include "app/frame/services.h"
#include "dialup/dial_up.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vilt::app {

// The number field's text until the user types a number.
inline const QString kNumberPlaceholder = QStringLiteral("Номер телефона");
inline const QString kDialCaption = QStringLiteral("Установить связь");
// The caption the dial button is left with after the modem refused its speed.
inline const QString kDialCaptionAfterSpeed = QStringLiteral("Установит связь");
inline const QString kDiallingCaption = QStringLiteral("Звоню...");

class ModemGroup : public QWidget {
    Q_OBJECT
  public:
    // settings: the connection page's, for the port the modem is on.
    ModemGroup(Services& services, std::function<station::Settings()> settings,
               QWidget* parent = nullptr);

    void dial();  // dial
    void hangUp();  // hang up
    dialup::CallState state() const { return m_state; }
    // The number to dial; none while the field still holds its placeholder.
    std::optional<QString> number() const;

    // What a dial or a hang-up came to, wherever it ran (the buttons, the batch, the close).
    void setState(dialup::CallState state, const QString& caption = kDialCaption);
    void showDial(const dialup::DialOutcome& outcome);
    void showHangUp(const dialup::DialOutcome& outcome);
    // The row follows the line: once the call is gone (the far end hung up, the device went
    // away) it is idle, whatever ended it.
    void followLine();

  signals:
    // The speed list and the batch button may be used only while the modem is idle.
    void idleChanged(bool idle);
    // A dial ran: the session through its call takes the speed and the wait it set.
    void dialled(const dialup::DialOutcome& outcome);

  private:
    void show(const dialup::DialOutcome& outcome);

    Services& m_services;
    std::function<station::Settings()> m_settings;
    dialup::CallState m_state = dialup::CallState::Idle;
    QLineEdit* m_number = nullptr;
    QPushButton* m_dial = nullptr;
    QPushButton* m_hangUp = nullptr;
    QLabel* m_idle = nullptr;
    QLabel* m_dialling = nullptr;
    QLabel* m_connected = nullptr;
};

}  // namespace vilt::app
