#pragma once
// Puts outcomes on screen: the result panels, the status bar, the message boxes and the
// connection controls a session fills, in the order the user is to see them.

#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "app/frame/panel.h"
#include "link/outcome.h"
#include "link/session.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;

namespace vilt::app {

class RadioGroup;
class ResultPanels;

// What an empty status field and an empty identity label hold.
inline const QString kBlankStatus = QString(42, QLatin1Char(' '));
inline const QString kBlankLabel = QString(20, QLatin1Char(' '));

// The controls of the connection page a session shows its outcome in.
struct SessionControls {
    QPushButton* connect = nullptr;
    QPushButton* disconnect = nullptr;
    std::array<QLabel*, 3> info{};  // place, model, software version
    QSpinBox* factory = nullptr;
    RadioGroup* mode = nullptr;
    QWidget* operations = nullptr;  // the exchange group, enabled by an identified meter
};

class Presenter {
  public:
    Presenter(QWidget& window, ResultPanels& panels, std::array<QLabel*, 2> status);

    void setSessionControls(const SessionControls& controls) { m_session = controls; }

    // Before an operation: every panel hidden, the window repainted around it.
    void beginOperation();
    // Before the session's attempts: no identity, no session panel, the disconnect button.
    void beginSession();
    void showSession(const link::SessionOutcome& outcome);
    // After the session's own close: the connect button, no panel, no identity; a reason DTR
    // could not be lowered goes to the status bar, once.
    void showSessionClosed(const std::optional<QString>& dtrFailure = std::nullopt);
    // An operation's message boxes, its error, then its panel.
    void show(const link::Outcome& outcome);
    // Before the password change: both status fields blank.
    void beginPasswordChange();
    // The password change: on success the session ends (endSession) before the final panel.
    void showPasswordChange(const link::Outcome& outcome, const std::function<void()>& endSession);

    // A failure shown again at the end of a sequence whose later steps went on: its failure
    // panel and its words in the status bar, without its message boxes again.
    void showFailure(const link::Outcome& outcome);

    // The user stopped the operation: said on the panel and in the status bar.
    void showStopped();

    void showPanel(Panel panel, bool visible = true);
    void setStatus(int statusPanel, const QString& text);
    void message(const QString& text);

  private:
    void showStep(const link::Step& step);
    void setConnectShown(bool shown);
    void setInfo(const QString& place, const QString& model, const QString& version);
    void hideSessionPanels();

    QWidget& m_window;
    ResultPanels& m_panels;
    std::array<QLabel*, 2> m_status;
    SessionControls m_session;
};

}  // namespace vilt::app
