#pragma once
// Runs the window's handlers: an error thrown inside is shown in a message box and the window
// goes on; while a handler that talks to the meter runs, the controls that would start
// another operation are disabled, and a close of the window waits for it to end.

#include <QHash>
#include <QList>
#include <QPointer>
#include <functional>

class QWidget;

namespace vilt::app {

class OperationGuard {
  public:
    explicit OperationGuard(QWidget& window);

    void handle(const std::function<void()>& body);
    // A handler that talks to the meter; ignored while another one runs.
    void operate(const std::function<void()>& body);
    void addControl(QWidget* control);
    // Enables or disables an operation control; while an operation runs the change takes
    // effect when it ends.
    void setControlEnabled(QWidget* control, bool enabled);
    bool busy() const { return m_busy; }
    // Asks for the window to close as soon as the running operation ends.
    void closeWhenIdle() { m_closeRequested = true; }

    // How an operation is stopped: the button shown while it runs, what asks the waits to
    // stop (and forgets an old request), and what the window shows when one did.
    struct StopHooks {
        QWidget* button = nullptr;
        std::function<void(bool)> request;  // true: stop now; false: forget
        std::function<void()> stopped;
    };
    void setStop(StopHooks hooks) { m_stop = std::move(hooks); }
    // Esc and the stop button: the running operation ends at its next wait.
    void stop();
    // Runs after every operation, once the controls are back: what follows the line's state.
    void setAfterOperation(std::function<void()> after) { m_after = std::move(after); }

  private:
    void disableControls();
    void restoreControls();
    void run(const std::function<void()>& body);

    QWidget& m_window;
    QPointer<QWidget> m_focus;  // where the keyboard was when the operation began
    StopHooks m_stop;
    std::function<void()> m_after;
    bool m_busy = false;
    bool m_closeRequested = false;
    QList<QWidget*> m_controls;
    QHash<QWidget*, bool> m_restore;  // the controls' states while an operation runs
};

}  // namespace vilt::app
