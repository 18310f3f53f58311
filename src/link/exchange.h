#pragma once
// The exchange cycle every meter command runs: clear the buffer, build the request,
// send, pace, wait, read, check.
//
// Request frame (n bytes)            Reply frame (L bytes)
//   0-2   address header, LSB first    0-2   address of the answering meter
//   3     command code                 3     command code, echoed
//   4..   payload                      4..   data (acknowledgement: 1 byte)
//   n-2   CRC bits 15-8                L-2   CRC bits 15-8
//   n-1   CRC bits 7-0                 L-1   CRC bits 7-0
// The local identity request is the 4 bytes 0x00, 0x7F, CRC.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "serial_line.h"

namespace vilt::link {

class Waiter;

// The first test a reply failed, in the order they are made.
enum class Check { Ok, Count, Code, Crc, Ack };

struct Request {
    uint8_t code = 0;
    std::span<const uint8_t> payload = {};
    int replyLength = 0;
    std::optional<uint8_t> ack = {};  // acknowledgement byte the reply must carry
    bool local = false;               // the 4-byte local identity form
    int waitFactor = 1;               // multiples of TimeOut to wait before reading
};

inline constexpr uint8_t kAckAccepted = 0xAA;
inline constexpr int kAckReplyLength = 7;

// A write or execute command, answered with the 7-byte acknowledgement.
inline Request acknowledged(uint8_t code, std::span<const uint8_t> payload = {},
                            uint8_t ack = kAckAccepted) {
    return {.code = code, .payload = payload, .replyLength = kAckReplyLength, .ack = ack};
}

class Exchange {
  public:
    static constexpr int kBufferSize = 765;
    static constexpr int kReceiveArea = 0;
    static constexpr int kSendArea = 255;
    static constexpr int kModemArea = 510;
    static constexpr int kReadSize = 256;
    static constexpr int kPacingSteps = 20;
    static constexpr int kDefaultTimeOut = 300;

    using Progress = std::function<void(int maximum, int position)>;

    Exchange(comm::SerialLine& line, Waiter& waiter);

    // Runs the cycle; the first failing test ends it.
    Check run(const Request& request);
    // Result-code style: a refused reply sets the exchange result code to 1.
    bool runCoded(const Request& request);

    void ClrBuf();
    void Del(int steps);

    std::span<const uint8_t> receiveArea() const;
    std::span<const uint8_t> sendArea() const;
    std::span<uint8_t> buffer() { return m_buffer; }

    uint32_t meterAddress = 0;  // bytes 0-2 form the address header
    uint8_t resultCode = 0;     // 1 after a refused result-code-style command

    // A negative wait counts as 0.
    void setTimeOut(int ms) { m_timeOut = ms < 0 ? 0 : ms; }
    int timeOut() const { return m_timeOut; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    comm::SerialLine& line() { return m_line; }
    Waiter& waiter() { return m_waiter; }

  private:
    int buildRequest(const Request& request);
    Check checkReply(const Request& request, int count) const;

    comm::SerialLine& m_line;
    Waiter& m_waiter;
    std::array<uint8_t, kBufferSize> m_buffer{};
    int m_timeOut = kDefaultTimeOut;
    Progress m_progress;
};

}  // namespace vilt::link
