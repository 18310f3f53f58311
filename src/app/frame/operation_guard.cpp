#include "app/frame/operation_guard.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/widgets/message_box.h"
#include "link/waiter.h"

namespace vilt::app {

void OperationGuard::handle(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        showError(QString::fromStdString(error.what()));
    }
}

// The window itself can hold the focus (by a click, never by Tab), so keys typed during an
// operation land nowhere rather than in the next field of the tab chain.
OperationGuard::OperationGuard(QWidget& window) : m_window(window) {
    m_window.setFocusPolicy(Qt::ClickFocus);
}

void OperationGuard::operate(const std::function<void()>& body) {
    if (m_busy) return;
    m_busy = true;
    disableControls();
    run(body);
    restoreControls();
    m_busy = false;
    if (m_after) handle(m_after);
    if (m_closeRequested) QTimer::singleShot(0, &m_window, &QWidget::close);
}

void OperationGuard::run(const std::function<void()>& body) {
    if (m_stop.request) m_stop.request(false);
    if (m_stop.button) m_stop.button->show();
    try {
        handle(body);
    } catch (const link::Stopped&) {
        if (m_stop.stopped) m_stop.stopped();
    }
    if (m_stop.button) m_stop.button->hide();
    if (m_stop.request) m_stop.request(false);
}

void OperationGuard::stop() {
    if (m_busy && m_stop.request) m_stop.request(true);
}

void OperationGuard::disableControls() {
    m_focus = QApplication::focusWidget();
    if (m_focus && m_controls.contains(m_focus)) m_window.setFocus(Qt::OtherFocusReason);
    for (QWidget* control : m_controls) {
        m_restore.insert(control, control->isEnabled());
        control->setEnabled(false);
    }
}

// The control that started the operation has the keyboard again.
void OperationGuard::restoreControls() {
    for (auto it = m_restore.cbegin(); it != m_restore.cend(); ++it)
        it.key()->setEnabled(it.value());
    m_restore.clear();
    if (m_focus && m_focus->isEnabled() && m_focus->isVisible() &&
        QApplication::focusWidget() == &m_window)
        m_focus->setFocus(Qt::OtherFocusReason);
    m_focus = nullptr;
}

void OperationGuard::addControl(QWidget* control) {
    m_controls << control;
}

void OperationGuard::setControlEnabled(QWidget* control, bool enabled) {
    if (m_busy && m_restore.contains(control)) {
        m_restore[control] = enabled;
        return;
    }
    control->setEnabled(enabled);
}

}  // namespace vilt::app
