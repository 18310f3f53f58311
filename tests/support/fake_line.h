#pragma once
// A serial line with the virtual meter on the other end, timed by the virtual clock.
// Reads behave like the real port: what is waiting comes at once; with nothing waiting
// the read collects until the count or one second, moving the clock.

#include <QByteArray>
#include <QList>
#include <functional>

#include "comm/serial_line.h"
#include "sim/virtual_meter.h"
#include "support/virtual_clock.h"

namespace vilt::test {

class FakeLine : public comm::SerialLine {
  public:
    FakeLine(sim::VirtualMeter& meter, VirtualClock& clock) : m_meter(meter), m_clock(clock) {}

    bool Enabled() const override { return m_open; }
    int Write(const uint8_t* data, int count) override;
    int Read(uint8_t* data, int count) override;
    // The guard of the fast read is kGuardMs, the least a real line uses.
    int ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) override;
    static constexpr int kGuardMs = 2;
    int Discard(int quietMs) override;
    void Close() override { m_open = false; }
    bool Lost() const override { return m_lost; }
    // The adapter pulled: every later read finds the device gone.
    void unplug() { m_lost = true; }
    void SetDTRState(bool on) override;

    void reopen() {
        m_open = true;
        m_lost = false;
    }
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

    sim::VirtualMeter& m_meter;
    VirtualClock& m_clock;
    bool m_open = true;
    bool m_dtr = false;
    bool m_lost = false;
    QList<Arrival> m_onTheWay;  // ordered by arrival time
    QByteArray m_input;
};

QString hex(const QByteArray& bytes);

}  // namespace vilt::test
