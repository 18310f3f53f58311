#pragma once
// The serial-port component over QSerialPort: 8 data bits, no parity, one stop bit.

#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "comm/serial_line.h"

class QSerialPort;

namespace vilt::comm {

// The quiet that ends a whole reply: 3.5 character times of 10 bits, at least 2 ms.
int replyGuardMs(int bitsPerSecond);

class TComm : public SerialLine {
  public:
    // A read with nothing waiting collects for this long before it gives up. The full
    // exchange reads after its own wait, so a silent meter costs that wait and this.
    static constexpr int kSilentReadMs = 1000;
    // While the line is quiet, the idle hook runs this often.
    static constexpr int kIdleSliceMs = 20;

    TComm();
    ~TComm() override;
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens DeviceName ("Com1" … "Com12" through the port map, or a device path).
    // A device that cannot be opened leaves the port closed without an error: test
    // Enabled(), and openFailure() says why. Opening an open port raises CommError.
    void Open() override;
    std::optional<OpenFailure> openFailure() const override { return m_openFailure; }
    void Close() override;
    bool Enabled() const override;
    int Write(const uint8_t* data, int count) override;
    int Read(uint8_t* data, int count) override;
    int ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) override;
    int Discard(int quietMs, QByteArray* thrown) override;
    bool Lost() const override;

    // Ignored while the port is open.
    void SetDeviceName(const QString& name) override;
    QString DeviceName() const override { return m_deviceName; }
    // Applied to the device at once when the port is open.
    void SetBaudRate(BaudRate rate) override;
    BaudRate baudRate() const override { return m_baudRate; }
    // A device without modem-control lines (a pseudo-terminal) accepts the call as a no-op.
    void SetDTRState(bool on) override;
    // Runs while a read or a discard waits for bytes; it may throw to end the wait.
    void setIdle(std::function<void()> idle) { m_idle = std::move(idle); }

  private:
    void applyLineSettings();
    // Takes note of a device that went away, then clears the port's error.
    void settleError();
    bool waitForBytes(const QDeadlineTimer& deadline);
    int takeAvailable(uint8_t* data, int count);

    std::unique_ptr<QSerialPort> m_port;  // set only while open
    QString m_deviceName = QStringLiteral("Com1");
    BaudRate m_baudRate = BaudRate::br1200;
    bool m_lost = false;
    std::optional<OpenFailure> m_openFailure;  // why the last open failed
    std::function<void()> m_idle;
};

}  // namespace vilt::comm
