#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

#include "link/waiter.h"

namespace vilt::link {

namespace {
constexpr int kSliceMs = 20;
}

void SystemWaiter::sleep(int ms) {
    QDeadlineTimer deadline(std::max(ms, 0), Qt::PreciseTimer);
    for (;;) {
        idle();
        const auto left = deadline.remainingTime();
        if (left <= 0) return;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, kSliceMs)));
    }
}

void SystemWaiter::processPendingMessages() {
    idle();
}

void SystemWaiter::idle() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    throwIfStopped();
    if (m_watch) m_watch();
}

}  // namespace vilt::link
