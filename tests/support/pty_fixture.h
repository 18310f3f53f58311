#pragma once
// The real vilt-sim over its pseudo-terminal, driven as the workstation drives it: the
// process with its control lines, and the line's other end opened the plain POSIX way, so
// these tests share no code with the port layer they check.
// Unlike SimProcess, the process is there to look at: its exit, its output, its stdin.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <chrono>

namespace vilt::test {

// An upper bound for slow sanitizer builds, not a speed target.
inline constexpr std::chrono::milliseconds kPtyPatience{10'000};
// How long a test listens for bytes that should not come.
inline constexpr std::chrono::milliseconds kPtyQuiet{300};

// The simulator as a child process; killed when the test ends, however it ends.
class SimChild {
  public:
    explicit SimChild(const QStringList& arguments) {
        m_process.start(qEnvironmentVariable("VILT_SIM"), arguments);
    }
    ~SimChild() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    QProcess& process() { return m_process; }

    // The next line on stdout, or empty if none comes in time.
    QByteArray readLine() {
        const QDeadlineTimer deadline(kPtyPatience);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        return m_process.canReadLine() ? m_process.readLine().trimmed() : QByteArray();
    }
    // The slave path from the READY line, or empty.
    QString waitReady() {
        const QByteArray line = readLine();
        return line.startsWith("READY ") ? QString::fromUtf8(line.sliced(6)) : QString();
    }
    // Sends one control line and returns its answer.
    QByteArray control(const QByteArray& line) {
        m_process.write(line + '\n');
        return readLine();
    }

  private:
    QProcess m_process;
};

// The workstation's end of the line, raw.
class PtyEnd {
  public:
    explicit PtyEnd(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios raw{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~PtyEnd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    PtyEnd(const PtyEnd&) = delete;
    PtyEnd& operator=(const PtyEnd&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    [[nodiscard]] bool send(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    // What one read returns once something has come (empty when nothing came in time).
    QByteArray readSome(std::chrono::milliseconds patience = kPtyPatience) {
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(patience.count())) <= 0) return {};
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }
    // Reads until `count` bytes have come or patience runs out.
    QByteArray receive(qsizetype count, std::chrono::milliseconds patience = kPtyPatience) {
        QByteArray got;
        const QDeadlineTimer deadline(patience);
        while (got.size() < count && !deadline.hasExpired())
            got += readSome(std::chrono::milliseconds(deadline.remainingTime()));
        return got;
    }
    // Exactly `expected.size()` bytes and then quiet, or what came instead.
    QByteArray receiveLike(const QByteArray& expected) {
        QByteArray got = receive(expected.size());
        got += receive(1, kPtyQuiet);
        return got;
    }
    // The request sent and `replySize` bytes of reply, or what came in time.
    QByteArray roundTrip(const QByteArray& request, qsizetype replySize) {
        if (!send(request)) return {};
        return receive(replySize);
    }

  private:
    int m_fd;
};

}  // namespace vilt::test
