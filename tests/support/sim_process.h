#pragma once
// The virtual meter server as a child process: started, waited for until it says where
// its pseudo-terminal is, steered through its control lines and killed when done.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace vilt::test {

class SimProcess {
  public:
    explicit SimProcess(QStringList arguments = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the server and waits for its READY line; false with the reason on failure.
    bool start(QString* error);
    QString slavePath() const { return m_slave; }
    // Sends one control line and waits for its answer; true when it is "OK".
    bool control(const QString& line);
    // Sends one control line and returns its answer line ("OK …" or "ERR …").
    QString ask(const QString& line);
    qint64 pid() const { return m_process.processId(); }

  private:
    QString readLine(int timeoutMs);

    QProcess m_process;
    QStringList m_arguments;
    QString m_slave;
};

// What vilt-cli did: its exit status (-1 when it crashed or hung) and what it printed.
struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray bytes;  // standard output as written (out drops a byte-order mark)
};
// whileRunning, when given, runs once the program has started (to pull the line away).
// A program still running after finishMs is killed and counts as hung.
inline constexpr int kCliFinishMs = 30000;
CliRun runCli(const QStringList& arguments, const std::function<void()>& whileRunning = {},
              int finishMs = kCliFinishMs);
// The same in the working folder given (where files a command makes by default end up).
CliRun runCliIn(const QString& workingFolder, const QStringList& arguments);

// vilt-cli against the meter of sim by its factory number 12345, with a short wait; the
// output comes trimmed.
CliRun runCliOn(const SimProcess& sim, const QStringList& command);
CliRun runCliOn(const SimProcess& sim, const QStringList& command, const QString& workingFolder);

// The program a test runs, from the environment CTest sets (VILT_SIM, VILT_CLI).
QString programFromEnv(const char* variable);

}  // namespace vilt::test
