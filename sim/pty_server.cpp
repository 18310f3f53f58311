#include "sim/pty_server.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim/control.h"

namespace vilt::sim {
namespace {

using namespace std::chrono_literals;

// A partial frame older than this is noise or the tail of an aborted request.
constexpr auto kIdleReset = 200ms;
constexpr int kBitsPerByte = 10;  // 8N1: start, 8 data, stop
constexpr size_t kReadChunk = 4096;

volatile sig_atomic_t g_stopSignal = 0;

void onStopSignal(int) {
    g_stopSignal = 1;
}

void writeAll(int fd, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), static_cast<size_t>(bytes.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // nobody listens any more; the meter keeps serving the line
        }
        bytes = bytes.sliced(written);
    }
}

void logBytes(const char* tag, QByteArrayView bytes, const QString& note = {}) {
    QByteArray line = QByteArray(tag) + ' ' + bytes.toByteArray().toHex(' ').toUpper();
    if (!note.isEmpty()) {
        line += " (" + note.toUtf8() + ')';
    }
    writeAll(STDERR_FILENO, line + '\n');
}

// SIGTERM and SIGINT stay blocked except inside ppoll, so a stop can never slip in
// between checking the flag and going to sleep.
sigset_t blockStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigset_t stopSignals;
    sigset_t original;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &original);
    sigdelset(&original, SIGTERM);
    sigdelset(&original, SIGINT);
    return original;
}

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(what, strerror(errno));
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        UniqueFd old(std::exchange(m_fd, std::exchange(other.m_fd, -1)));
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

PtyServer::PtyServer(VirtualMeter& meter, ServerOptions options)
    : m_meter(meter), m_options(std::move(options)), m_ownPassword(meter.state().password) {
    if (m_options.modem) {
        if (m_options.phonebook) {
            m_options.modem->book = m_options.phonebook->numbers();
        }
        m_modem.emplace(*m_options.modem);
    }
}

PtyServer::~PtyServer() {
    removeLink();
}

bool PtyServer::open(QString& error) {
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error = systemError("openpty");
        return false;
    }
    m_master = UniqueFd(master);
    m_slave = UniqueFd(slave);
    termios raw{};
    if (::tcgetattr(slave, &raw) != 0 ||
        (::cfmakeraw(&raw), ::tcsetattr(slave, TCSANOW, &raw)) != 0) {
        error = systemError("raw mode on the slave");
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const char* name = ::ptsname(master);
    if (name == nullptr) {
        error = systemError("ptsname");
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    return m_options.linkPath.isEmpty() || makeLink(error);
}

bool PtyServer::makeLink(QString& error) {
    const QByteArray link = QFile::encodeName(m_options.linkPath);
    struct stat info {};
    if (::lstat(link.constData(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = QStringLiteral("--link %1 exists and is not a symlink; not replacing it")
                        .arg(m_options.linkPath);
            return false;
        }
        ::unlink(link.constData());
    }
    if (::symlink(QFile::encodeName(m_slavePath).constData(), link.constData()) != 0) {
        error = systemError(("symlink " + link).constData());
        return false;
    }
    m_linkMade = true;
    return true;
}

void PtyServer::removeLink() {
    if (!m_linkMade) {
        return;
    }
    // Leave it alone if someone has pointed it elsewhere meanwhile.
    const QByteArray link = QFile::encodeName(m_options.linkPath);
    if (QFile::symLinkTarget(m_options.linkPath) == m_slavePath) {
        ::unlink(link.constData());
    }
    m_linkMade = false;
}

void PtyServer::run() {
    const sigset_t waitMask = blockStopSignals();
    while (!m_quit && g_stopSignal == 0) {
        tickModem(Clock::now());
        sendDue(Clock::now());
        dropStalePartial(Clock::now());
        pollfd fds[2] = {
            {m_master.get(), static_cast<short>(POLLIN | (m_writeBlocked ? POLLOUT : 0)), 0},
            {m_stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        timespec timeout{};
        const auto deadline = nextDeadline();
        if (deadline) {
            const auto wait = std::max(Clock::duration::zero(), *deadline - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout = {static_cast<time_t>(ns / 1'000'000'000),
                       static_cast<long>(ns % 1'000'000'000)};
        }
        if (::ppoll(fds, 2, deadline ? &timeout : nullptr, &waitMask) < 0) {
            continue;  // EINTR: the loop condition sees the signal
        }
        if (fds[0].revents & POLLOUT) {
            m_writeBlocked = false;
        }
        if (fds[0].revents & POLLIN) {
            readLine(Clock::now());
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            readControl();
        }
    }
}

void PtyServer::readLine(Clock::time_point now) {
    char buffer[kReadChunk];
    ssize_t got = 0;
    while ((got = ::read(m_master.get(), buffer, sizeof buffer)) > 0) {
        const QByteArrayView bytes(buffer, got);
        if (!m_modem) {
            feedMeter(bytes, now);
            continue;
        }
        Modem::Step step;
        m_modem->receive(bytes, now, step);
        sendModemOutput(step, now);
    }
}

void PtyServer::feedMeter(QByteArrayView bytes, Clock::time_point now) {
    if (bytes.isEmpty()) {
        return;
    }
    m_lastReceived = now;
    const auto frames = m_assembler.feed(bytes);
    for (const QByteArray& frame : frames) {
        if (m_options.log) {
            logBytes("rx", frame);
        }
        schedule(m_meter.answer(frame), frame.size(), now);
    }
}

void PtyServer::tickModem(Clock::time_point now) {
    if (m_modem) {
        Modem::Step step;
        m_modem->tick(now, step);
        sendModemOutput(step, now);
    }
}

// The modem's own answers go out at the line speed, after whatever is already on its way.
void PtyServer::sendModemOutput(const Modem::Step& step, Clock::time_point now) {
    if (step.connected) {
        answerCall(*step.connected);
    }
    feedMeter(step.toMeter, now);
    for (const Modem::Output& output : step.toLine) {
        const auto start = std::max(output.due, m_lineFreeAt);
        for (qsizetype i = 0; i < output.bytes.size(); ++i) {
            m_out.push_back({output.bytes[i], start + lineTime(i + 1)});
        }
        if (!output.bytes.isEmpty()) {
            m_lineFreeAt = m_out.back().due;
        }
        if (m_options.log) {
            logBytes("modem", output.bytes);
        }
    }
}

void PtyServer::answerCall(const QString& number) {
    const PhonebookEntry* entry = m_options.phonebook ? m_options.phonebook->find(number) : nullptr;
    if (entry == nullptr) {
        return;
    }
    Phonebook::answerAs(m_meter.state(), *entry, m_ownPassword);
    m_assembler.reset();  // nothing of an earlier call reaches this meter
    if (m_options.log) {
        writeAll(
            STDERR_FILENO,
            QStringLiteral("-- %1 answers as meter %2\n").arg(number).arg(entry->factory).toUtf8());
    }
}

bool PtyServer::handleModemControl(const QString& line, Clock::time_point now) {
    if (!m_modem) {
        return false;
    }
    const auto result = applyModemControl(*m_modem, line);
    if (!result) {
        return false;
    }
    QByteArray answer =
        result->error.isEmpty() ? QByteArray("OK") : "ERR " + result->error.toUtf8();
    if (result->error.isEmpty() && result->value && !result->value->isEmpty()) {
        answer += ' ' + result->value->toUtf8();
    }
    if (result->hangUp) {
        Modem::Step step;
        m_modem->farEndHangUp(now, step);
        sendModemOutput(step, now);
    }
    writeAll(STDOUT_FILENO, answer + '\n');
    return true;
}

void PtyServer::readControl() {
    char buffer[kReadChunk];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
        return;
    }
    if (got <= 0) {
        // Stdin gone (e.g. a demo in the background): keep serving the line.
        m_stdinOpen = false;
        if (!m_control.isEmpty()) {
            handleControlLine(std::exchange(m_control, {}));
        }
        return;
    }
    m_control.append(buffer, got);
    qsizetype end = 0;
    while (!m_quit && (end = m_control.indexOf('\n')) >= 0) {
        const QByteArray line = m_control.first(end);
        m_control.remove(0, end + 1);
        handleControlLine(line);
    }
}

void PtyServer::handleControlLine(const QByteArray& raw) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.isEmpty() || handleModemControl(line, Clock::now())) {
        return;
    }
    const ControlResult result = applyControlLine(m_meter, line);
    QByteArray answer = result.ok ? QByteArray("OK") : "ERR " + result.error.toUtf8();
    if (result.ok && result.value) {
        // One line whatever the value holds, so a reader never loses step.
        answer += ' ' + QString(*result.value).replace(u'\n', u' ').replace(u'\r', u' ').toUtf8();
    }
    if (result.latencyMs) {
        m_options.latencyMs = *result.latencyMs;
    }
    writeAll(STDOUT_FILENO, answer + '\n');
    m_quit = result.quit;
}

PtyServer::Clock::duration PtyServer::lineTime(qsizetype bytes) const {
    if (m_options.baud <= 0) {
        return Clock::duration::zero();
    }
    const auto ns =
        std::chrono::nanoseconds(int64_t{bytes} * kBitsPerByte * 1'000'000'000 / m_options.baud);
    return std::chrono::duration_cast<Clock::duration>(ns);
}

void PtyServer::schedule(const Reply& reply, qsizetype requestLength, Clock::time_point at) {
    if (reply.bytes.isEmpty()) {
        return;
    }
    // The request itself took its line time to arrive, the meter thinks, a delay fault holds
    // the reply back further; and a reply cannot overtake the one before.
    const auto start = std::max(at + lineTime(requestLength) +
                                    std::chrono::milliseconds(m_options.latencyMs + reply.delayMs),
                                m_lineFreeAt);
    const auto gap = std::chrono::milliseconds(reply.gapMs);
    for (qsizetype i = 0; i < reply.bytes.size(); ++i) {
        const bool late = reply.splitAt >= 0 && i >= reply.splitAt;
        m_out.push_back(
            {reply.bytes[i], start + lineTime(i + 1) + (late ? gap : Clock::duration::zero())});
    }
    m_lineFreeAt = m_out.back().due;
    if (m_options.log) {
        QString note;
        if (reply.delayMs > 0) {
            note = QStringLiteral("delay %1 ms").arg(reply.delayMs);
        } else if (reply.splitAt >= 0) {
            note = QStringLiteral("split at %1, gap %2 ms").arg(reply.splitAt).arg(reply.gapMs);
        }
        logBytes("tx", reply.bytes, note);
    }
}

void PtyServer::sendDue(Clock::time_point now) {
    QByteArray chunk;
    for (auto it = m_out.cbegin(); !m_writeBlocked && it != m_out.cend() && it->due <= now; ++it) {
        chunk.append(it->byte);
    }
    if (chunk.isEmpty()) {
        return;
    }
    const ssize_t written =
        ::write(m_master.get(), chunk.constData(), static_cast<size_t>(chunk.size()));
    if (written < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            m_writeBlocked = true;
        } else if (errno != EINTR) {
            writeAll(STDERR_FILENO,
                     systemError("write to the line").toUtf8() + ", reply dropped\n");
            m_out.clear();
        }
        return;
    }
    m_out.erase(m_out.begin(), m_out.begin() + written);
    m_writeBlocked = written < chunk.size();
}

void PtyServer::dropStalePartial(Clock::time_point now) {
    if (m_assembler.hasPartial() && now - m_lastReceived >= kIdleReset) {
        if (m_options.log) {
            writeAll(STDERR_FILENO, "-- line idle, partial request dropped\n");
        }
        m_assembler.reset();
    }
}

std::optional<PtyServer::Clock::time_point> PtyServer::nextDeadline() const {
    std::optional<Clock::time_point> deadline;
    if (!m_out.empty() && !m_writeBlocked) {
        deadline = m_out.front().due;
    }
    if (m_assembler.hasPartial()) {
        const auto reset = m_lastReceived + kIdleReset;
        deadline = deadline ? std::min(*deadline, reset) : reset;
    }
    if (const auto modemDue = m_modem ? m_modem->nextDeadline() : std::nullopt) {
        deadline = deadline ? std::min(*deadline, *modemDue) : *modemDue;
    }
    return deadline;
}

}  // namespace vilt::sim
