#pragma once
// A serial line with the virtual meter on the other end, timed by the virtual clock, and
// when one is set a virtual modem in front of the meter. Reads behave like the real port:
// what is waiting comes at once; with nothing waiting the read collects until the count or
// one second, moving the clock.

#include <QByteArray>
#include <QList>
#include <functional>

#include "comm/serial_line.h"
#include "sim/frame_assembler.h"
#include "sim/modem.h"
#include "sim/virtual_meter.h"
#include "support/virtual_clock.h"

namespace vilt::test {

class FakeLine : public comm::SerialLine {
  public:
    FakeLine(sim::VirtualMeter& meter, VirtualClock& clock) : m_meter(meter), m_clock(clock) {}

    void SetDeviceName(const QString& name) override { m_name = name; }
    QString DeviceName() const override { return m_name; }
    void SetBaudRate(comm::BaudRate rate) override { m_rate = rate; }
    comm::BaudRate baudRate() const override { return m_rate; }
    // Opens whatever the name; an open line refuses, as the port does.
    void Open() override;
    bool Enabled() const override { return m_open; }
    int Write(const uint8_t* data, int count) override;
    int Read(uint8_t* data, int count) override;
    // The guard of the fast read is kGuardMs, the least a real line uses.
    int ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) override;
    static constexpr int kGuardMs = 2;
    int Discard(int quietMs, QByteArray* thrown) override;
    // As a real port: DTR drops, and what arrived before or while it was closed is lost.
    void Close() override;
    bool Lost() const override { return m_lost; }
    // The adapter pulled: every later read finds the device gone.
    void unplug() { m_lost = true; }
    void SetDTRState(bool on) override;

    void reopen() {
        m_open = true;
        m_lost = false;
    }
    // The device cannot be opened (no such port, no rights).
    void setOpenable(bool openable) { m_openable = openable; }
    // Puts a modem in front of the meter: bytes go to it, and only its data mode reaches
    // the meter. None: the meter is on the line itself.
    void setModem(sim::Modem* modem) { m_modem = modem; }
    // Nothing on the line answers at all (a modem switched off).
    void setDeaf(bool deaf) { m_deaf = deaf; }
    // The far end drops the call now: the modem says NO CARRIER and goes back to commands.
    void dropCall();
    // Runs before the meter answers each request, so a test can change the meter by what
    // is asked.
    std::function<void(const QByteArray& request)> onRequest;
    bool dtr() const { return m_dtr; }
    // Bytes the meter sent that no read has taken yet, arrived or still on their way.
    int pendingBytes() const;

  private:
    struct Arrival {
        qint64 at;
        QByteArray bytes;
    };
    void take(qint64 until);
    int hand(uint8_t* data, int count);
    void answer(const QByteArray& request);
    void queue(qint64 at, const QByteArray& bytes);
    void throughModem(const QByteArray& bytes);
    void modemStep(const sim::Modem::Step& step);
    // Runs the modem's timed work that falls due before until, or before the first byte
    // already on its way, whichever comes first.
    void tickModem(qint64 until);
    // When the next byte arrives, ticking the modem as far as that; none before until.
    std::optional<qint64> nextArrival(qint64 until);

    sim::VirtualMeter& m_meter;
    VirtualClock& m_clock;
    QString m_name = QStringLiteral("Com1");
    comm::BaudRate m_rate = comm::BaudRate::br1200;
    sim::Modem* m_modem = nullptr;
    sim::FrameAssembler m_frames;  // what the modem passes on, cut into requests
    bool m_openable = true;
    bool m_deaf = false;
    bool m_open = true;
    bool m_dtr = false;
    bool m_lost = false;
    QList<Arrival> m_onTheWay;  // ordered by arrival time
    QByteArray m_input;
};

QString hex(const QByteArray& bytes);

}  // namespace vilt::test
