#include "app/operation_guard.h"

#include <QTimer>
#include <QWidget>

#include "app/message_box.h"

namespace vilt::app {

void OperationGuard::handle(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        showError(QString::fromStdString(error.what()));
    }
}

void OperationGuard::operate(const std::function<void()>& body) {
    if (m_busy) return;
    m_busy = true;
    for (QWidget* control : m_controls) {
        m_restore.insert(control, control->isEnabled());
        control->setEnabled(false);
    }
    handle(body);
    for (auto it = m_restore.cbegin(); it != m_restore.cend(); ++it)
        it.key()->setEnabled(it.value());
    m_restore.clear();
    m_busy = false;
    if (m_closeRequested) QTimer::singleShot(0, &m_window, &QWidget::close);
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
