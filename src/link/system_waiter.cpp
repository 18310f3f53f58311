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
    if (ms <= 0) return;
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const auto left = deadline.remainingTime();
        if (left <= 0) return;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, kSliceMs)));
    }
}

void SystemWaiter::processPendingMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace vilt::link
