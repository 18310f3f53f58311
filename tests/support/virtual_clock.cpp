#include "support/virtual_clock.h"

namespace vilt::test {

// A stop asked for ends the wait before it is spent, as the real one's first slice does.
void VirtualClock::sleep(int ms) {
    throwIfStopped();
    m_log << QStringLiteral("wait %1").arg(ms);
    m_now += ms;
}

void VirtualClock::processPendingMessages() {
    m_log << QStringLiteral("messages");
    if (onMessages) onMessages();
    throwIfStopped();
}

QStringList VirtualClock::log() const {
    QStringList folded;
    for (qsizetype i = 0; i < m_log.size();) {
        qsizetype run = 1;
        while (i + run < m_log.size() && m_log[i + run] == m_log[i]) ++run;
        folded << (run == 1 ? m_log[i] : QStringLiteral("%1 x%2").arg(m_log[i]).arg(run));
        i += run;
    }
    return folded;
}

}  // namespace vilt::test
