#include "support/sim_process.h"

#include <QDeadlineTimer>

namespace vilt::test {

namespace {
constexpr int kStartTimeoutMs = 10000;
}

QString programFromEnv(const char* variable) {
    return qEnvironmentVariable(variable);
}

SimProcess::SimProcess(QStringList arguments) : m_arguments(std::move(arguments)) {}

SimProcess::~SimProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool SimProcess::start(QString* error) {
    const QString program = programFromEnv("VILT_SIM");
    if (program.isEmpty()) {
        *error = QStringLiteral("VILT_SIM is not set");
        return false;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, m_arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        *error = QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }
    const QString line = readLine(kStartTimeoutMs);
    if (!line.startsWith(QLatin1String("READY "))) {
        *error = QStringLiteral("no READY line, got '%1'").arg(line);
        return false;
    }
    m_slave = line.mid(6);
    return true;
}

bool SimProcess::control(const QString& line) {
    return ask(line) == QLatin1String("OK");
}

QString SimProcess::ask(const QString& line) {
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten(kStartTimeoutMs);
    return readLine(kStartTimeoutMs);
}

QString SimProcess::readLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) return {};
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

namespace {

CliRun runCliFrom(const QString& workingFolder, const QStringList& arguments,
                  const std::function<void()>& whileRunning, int finishMs = kCliFinishMs) {
    QProcess cli;
    if (!workingFolder.isEmpty()) cli.setWorkingDirectory(workingFolder);
    cli.start(programFromEnv("VILT_CLI"), arguments);
    if (whileRunning && cli.waitForStarted()) whileRunning();
    CliRun run;
    if (!cli.waitForFinished(finishMs)) {
        cli.kill();
        cli.waitForFinished();
        run.err = QStringLiteral("vilt-cli did not finish");
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.bytes = cli.readAllStandardOutput();
    run.out = QString::fromUtf8(run.bytes);
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

}  // namespace

CliRun runCli(const QStringList& arguments, const std::function<void()>& whileRunning,
              int finishMs) {
    return runCliFrom(QString(), arguments, whileRunning, finishMs);
}

CliRun runCliIn(const QString& workingFolder, const QStringList& arguments) {
    return runCliFrom(workingFolder, arguments, {});
}

CliRun runCliOn(const SimProcess& sim, const QStringList& command) {
    return runCliOn(sim, command, QString());
}

CliRun runCliOn(const SimProcess& sim, const QStringList& command, const QString& workingFolder) {
    CliRun run = runCliIn(workingFolder, QStringList{"--port", sim.slavePath(), "--timeout", "60",
                                                     "--mode", "factory", "--factory", "12345"} +
                                             command);
    run.out = run.out.trimmed();
    run.err = run.err.trimmed();
    return run;
}

}  // namespace vilt::test
