#pragma once
// Puts a VirtualMeter on the slave side of a pseudo-terminal: moves bytes between the
// line and the meter, times the replies, and reads control lines from stdin.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <deque>
#include <optional>
#include <utility>

#include "sim/frame_assembler.h"
#include "sim/modem.h"
#include "sim/phonebook.h"
#include "sim/virtual_meter.h"

namespace vilt::sim {

struct ServerOptions {
    QString linkPath;                   // empty: no symlink
    int baud = 0;                       // 0: bytes go out as fast as the pty takes them
    bool log = false;                   // requests and replies in hex on stderr
    int latencyMs = 20;                 // the meter's think time between a request and its reply
    std::optional<ModemOptions> modem;  // set: a dial-up modem sits in front of the meter
    // With the modem: the number dialled picks the meter that answers (see Phonebook).
    std::optional<Phonebook> phonebook;
};

// Owns one file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

  private:
    int m_fd = -1;
};

class PtyServer {
  public:
    PtyServer(VirtualMeter& meter, ServerOptions options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal (and the link). False with `error` set when it cannot.
    bool open(QString& error);
    QString slavePath() const { return m_slavePath; }

    // Serves until a quit line, SIGTERM or SIGINT.
    void run();

  private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        char byte;
        Clock::time_point due;
    };

    bool makeLink(QString& error);
    void removeLink();
    void readLine(Clock::time_point now);
    void feedMeter(QByteArrayView bytes, Clock::time_point now);
    void tickModem(Clock::time_point now);
    void sendModemOutput(const Modem::Step& step, Clock::time_point now);
    void answerCall(const QString& number);
    bool handleModemControl(const QString& line, Clock::time_point now);
    void readControl();
    void handleControlLine(const QByteArray& raw);
    void schedule(const Reply& reply, qsizetype requestLength, Clock::time_point at);
    void sendDue(Clock::time_point now);
    void dropStalePartial(Clock::time_point now);
    Clock::duration lineTime(qsizetype bytes) const;
    // Next moment something is due; nullopt: nothing until input arrives.
    std::optional<Clock::time_point> nextDeadline() const;

    VirtualMeter& m_meter;
    ServerOptions m_options;
    FrameAssembler m_assembler;
    std::optional<Modem> m_modem;
    int32_t m_ownPassword;  // the meter's password as it started, for numbers without one
    UniqueFd m_master;
    UniqueFd m_slave;  // held open so the master never sees a hang-up
    QString m_slavePath;
    bool m_linkMade = false;
    std::deque<Pending> m_out;
    Clock::time_point m_lineFreeAt{};
    Clock::time_point m_lastReceived{};
    QByteArray m_control;
    bool m_stdinOpen = true;
    bool m_quit = false;
    bool m_writeBlocked = false;
};

}  // namespace vilt::sim
