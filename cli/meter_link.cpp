#include "cli/meter_link.h"

#include <QThread>

#include "cli/output.h"
#include "link/modem.h"
#include "link/outcome_texts.h"

namespace vilt::cli {

MeterLink::MeterLink(const Options& options, archive::Archive* archive)
    : m_options(options), m_archive(archive), m_speed(options.speed) {
    m_exchange.setTimeOut(options.timeOut);
    m_exchange.setFast(options.fast);
}

MeterLink::~MeterLink() {
    m_session.close();  // DTR refused on the way out: the port still goes
}

void MeterLink::startTrace() {
    m_log.onEntry = [this](const link::TrafficEntry& entry) {
        const QString line = link::formatEntry(entry);
        if (m_options.trace) err(line);
        if (m_traceFile.isOpen()) {
            m_traceFile.write((line + QLatin1Char('\n')).toUtf8());
            m_traceFile.flush();
        }
    };
    m_exchange.setTrafficLog(&m_log);
}

std::optional<Failure> MeterLink::connect() {
    if (!m_options.traceFile.isEmpty()) {
        m_traceFile.setFileName(m_options.traceFile);
        if (!m_traceFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return Failure{
                kUsage,
                QStringLiteral("cannot write the trace file '%1'").arg(m_options.traceFile)};
    }
    if (m_options.trace || m_traceFile.isOpen()) startTrace();
    m_comm.SetDeviceName(m_options.port);
    m_comm.SetBaudRate(m_speed);
    m_comm.Open();
    if (!m_comm.Enabled()) return Failure{kUsage, link::texts::kPortOpenFailed};
    m_outcome = m_session.open({m_options.mode, m_options.factory, m_options.password});
    if (!m_outcome.ok()) return Failure{kNoLink, link::texts::failureText(m_outcome)};
    return std::nullopt;
}

namespace {

// The modem's answers, one line each, as the status bar showed them in turn; then the
// messages of the boxes.
void tell(const link::ModemOutcome& outcome) {
    for (const QString& reply : outcome.replies) {
        const QString line = reply.simplified();
        if (!line.isEmpty()) err(QStringLiteral("modem: ") + line);
    }
    for (const QString& message : outcome.messages) err(message.simplified());
}

// The modem takes "+++" only after a second without traffic.
constexpr unsigned long kQuietMs = 1100;

}  // namespace

std::optional<Failure> MeterLink::dial(const QString& number) {
    m_comm.SetDeviceName(m_options.port);
    link::Modem modem(m_comm, m_exchange);
    const link::ModemOutcome outcome = modem.dial(number);
    tell(outcome);
    if (outcome.portSet) m_speed = comm::BaudRate::br9600;
    if (m_options.timeOutGiven) m_exchange.setTimeOut(m_options.timeOut);
    if (outcome.state != link::ModemState::Connected)
        return Failure{kNoLink, QStringLiteral("no call to %1").arg(number)};
    m_dialled = true;
    return std::nullopt;
}

std::optional<Failure> MeterLink::hangUp() {
    m_session.close();
    QThread::msleep(kQuietMs);
    link::Modem modem(m_comm, m_exchange);
    const link::ModemOutcome outcome = modem.hangUp();
    tell(outcome);
    if (outcome.state != link::ModemState::Idle)
        return Failure{kNotHungUp, QStringLiteral("the call was not hung up")};
    m_dialled = false;
    return std::nullopt;
}

void MeterLink::disconnect() {
    m_session.close();
}

}  // namespace vilt::cli
