#pragma once
// The few port operations the meter protocol and the modem dialogue need. TComm implements
// them on a real serial device; tests put an in-process meter (and modem) behind them.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "comm/baud_rate.h"
#include "comm/open_failure.h"

namespace vilt::comm {

class SerialLine {
  public:
    virtual ~SerialLine() = default;

    // Ignored while the port is open.
    virtual void SetDeviceName(const QString& name) = 0;
    virtual QString DeviceName() const = 0;
    // Applied to the device at once when the port is open.
    virtual void SetBaudRate(BaudRate rate) = 0;
    virtual BaudRate baudRate() const = 0;
    // A device that cannot be opened leaves the port closed without an error: test
    // Enabled(). Opening an open port raises CommError.
    virtual void Open() = 0;
    virtual bool Enabled() const = 0;
    // Why the last Open() left the port closed; none after one that opened it, and from a
    // line that cannot tell.
    virtual std::optional<OpenFailure> openFailure() const { return std::nullopt; }
    // Bytes written, or -1 when the port is not open.
    virtual int Write(const uint8_t* data, int count) = 0;
    // Bytes read (0 … count), or -1 when the port is not open. Returns at once with what
    // is waiting; with nothing waiting, collects until count bytes or one second.
    virtual int Read(uint8_t* data, int count) = 0;
    // Whether the bytes so far form a whole reply.
    using WholeReply = std::function<bool(std::span<const uint8_t> bytes)>;
    // The fast read: collects until `whole` holds and the line then stays quiet for a guard
    // of 3.5 character times at the line's speed (at least 2 ms), until count bytes, or
    // until waitMs has passed, whichever comes first. Bytes read, or -1 when not open.
    virtual int ReadReply(uint8_t* data, int count, int waitMs, const WholeReply& whole) = 0;
    // Throws away what is waiting, and what arrives until the line has been quiet for
    // quietMs; how many bytes were thrown away, or -1 when the port is not open. The bytes
    // themselves are appended to *thrown when it is given.
    virtual int Discard(int quietMs, QByteArray* thrown) = 0;
    virtual void Close() = 0;
    // The device went away while the port was open (adapter pulled, peer hung up): nothing
    // more will come through until it is closed and opened again.
    virtual bool Lost() const = 0;
    virtual void SetDTRState(bool on) = 0;
};

}  // namespace vilt::comm
