#include "comm/tcomm.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <algorithm>
#include <array>

#include "comm/comm_error.h"
#include "comm/port_map.h"

namespace vilt::comm {

namespace {

PortRefusal refusal(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::PermissionError:
            return PortRefusal::Denied;
        case QSerialPort::DeviceNotFoundError:
            return PortRefusal::NotFound;
        default:
            return PortRefusal::Other;
    }
}

}  // namespace

int replyGuardMs(int bitsPerSecond) {
    constexpr int kGuardBits = 35;  // 3.5 characters of 10 bits
    constexpr int kLeastMs = 2;
    if (bitsPerSecond <= 0) return kLeastMs;
    const int ms = (kGuardBits * 1000 + bitsPerSecond - 1) / bitsPerSecond;
    return std::max(ms, kLeastMs);
}

TComm::TComm() = default;

TComm::~TComm() {
    Close();
}

void TComm::Open() {
    if (Enabled()) throw CommError(kErrAlreadyOpen, -1);
    auto port = std::make_unique<QSerialPort>();
    // The port is locked by the device it reaches, not by the name it was reached through:
    // otherwise a device opened through a port-map link could be opened again by its own
    // path, and two programs would talk over each other.
    port->setPortName(deviceIdentity(m_deviceName));
    if (!port->open(QIODevice::ReadWrite)) {
        m_openFailure =
            examineOpenFailure(m_deviceName, refusal(port->error()), port->errorString());
        return;
    }
    m_openFailure.reset();
    m_port = std::move(port);
    applyLineSettings();
}

void TComm::Close() {
    m_lost = false;
    if (!m_port) return;
    m_port->close();
    m_port.reset();
}

bool TComm::Enabled() const {
    return m_port != nullptr;
}

int TComm::Write(const uint8_t* data, int count) {
    if (!Enabled()) return -1;
    const qint64 written = m_port->write(reinterpret_cast<const char*>(data), count);
    if (written < 0) {
        settleError();
        return 0;
    }
    // Bound the drain by the line time of the frame, with a generous margin.
    const int boundMs = 1000 + count * 10 * 1000 / bitsPerSecond(m_baudRate);
    QDeadlineTimer deadline(boundMs);
    while (m_port->bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
    }
    settleError();
    return static_cast<int>(written);
}

int TComm::Read(uint8_t* data, int count) {
    if (!Enabled()) return -1;
    if (count <= 0) return 0;
    settleError();
    // Take in whatever the driver already holds; if anything is there, return it at once.
    if (m_port->bytesAvailable() == 0) m_port->waitForReadyRead(0);
    if (m_port->bytesAvailable() == 0) {
        const QDeadlineTimer deadline(kSilentReadMs);
        while (m_port->bytesAvailable() < count && waitForBytes(deadline)) {
        }
    }
    const int got = takeAvailable(data, count);
    settleError();
    return got;
}

int TComm::ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) {
    if (!Enabled()) return -1;
    settleError();
    const QDeadlineTimer deadline(std::max(waitMs, 0), Qt::PreciseTimer);
    const int guardMs = replyGuardMs(bitsPerSecond(m_baudRate));
    m_port->waitForReadyRead(0);
    int got = 0;
    for (;;) {
        got += takeAvailable(data + got, count - got);
        if (got >= count) break;
        // Once the reply is whole, only a quiet line ends the wait: more bytes make it
        // longer, and a longer reply is refused as it would be after the full wait.
        const bool isWhole = whole(std::span<const uint8_t>(data, size_t(got)));
        const QDeadlineTimer until =
            isWhole ? std::min(QDeadlineTimer(guardMs, Qt::PreciseTimer), deadline) : deadline;
        if (!waitForBytes(until)) break;
    }
    settleError();
    return got;
}

int TComm::takeAvailable(uint8_t* data, int count) {
    const qint64 wanted = std::min<qint64>(count, m_port->bytesAvailable());
    const qint64 got = m_port->read(reinterpret_cast<char*>(data), wanted);
    return got < 0 ? 0 : static_cast<int>(got);
}

int TComm::Discard(int quietMs, QByteArray* thrown) {
    if (!Enabled()) return -1;
    qint64 dropped = 0;
    m_port->waitForReadyRead(0);
    for (;;) {
        const QByteArray bytes = m_port->readAll();
        dropped += bytes.size();
        if (thrown) thrown->append(bytes);
        if (quietMs <= 0 || !waitForBytes(QDeadlineTimer(quietMs))) break;
    }
    settleError();
    return static_cast<int>(dropped);
}

// Short slices, so that the idle hook (the window's events, a stop) runs while the line is
// quiet. False when nothing came in time or the device failed.
// The idle hook may run the event loop, whose read notifier takes in what arrives: those bytes
// count as come, though no later wait would report them.
bool TComm::waitForBytes(const QDeadlineTimer& deadline) {
    const qint64 before = m_port->bytesAvailable();
    while (!deadline.hasExpired()) {
        const auto slice = std::min<qint64>(deadline.remainingTime(), kIdleSliceMs);
        if (m_port->waitForReadyRead(static_cast<int>(slice))) return true;
        if (m_port->error() != QSerialPort::TimeoutError) return false;
        m_port->clearError();
        if (m_idle) m_idle();
        if (!m_port) return false;
        if (m_port->bytesAvailable() > before) return true;
    }
    return false;
}

// A device that went away is noticed whenever the port is looked at, and also when the window's
// events ran meanwhile: QSerialPort sees the hang-up on its own read notifier.
bool TComm::Lost() const {
    if (m_lost) return true;
    if (!m_port) return false;
    const auto error = m_port->error();
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

void TComm::SetDeviceName(const QString& name) {
    if (Enabled()) return;
    m_deviceName = name;
}

void TComm::SetBaudRate(BaudRate rate) {
    if (rate == m_baudRate) return;
    m_baudRate = rate;
    if (Enabled()) applyLineSettings();
}

void TComm::SetDTRState(bool on) {
    if (!Enabled()) throw CommError(kErrNotOpen, -1);
    if (m_port->setDataTerminalReady(on)) return;
    const auto error = m_port->error();
    m_port->clearError();
    // A pseudo-terminal has no modem-control lines: that is not a fault of the link.
    if (error == QSerialPort::UnsupportedOperationError) return;
    throw CommError(kErrDtr, static_cast<int>(error));
}

void TComm::settleError() {
    const auto error = m_port->error();
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) m_lost = true;
    m_port->clearError();
}

void TComm::applyLineSettings() {
    const bool ok =
        m_port->setBaudRate(bitsPerSecond(m_baudRate)) && m_port->setDataBits(QSerialPort::Data8) &&
        m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop) &&
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (ok) return;
    const int code = static_cast<int>(m_port->error());
    m_port->clearError();
    throw CommError(kErrLineSettings, code);
}

}  // namespace vilt::comm
