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
#include <span>

#include "comm/serial_line.h"
#include "link/command.h"

namespace vilt::link {

class TrafficLog;
class Waiter;

// The first test a reply failed, in the order they are made.
enum class Check { Ok, Count, Code, Crc, Ack };

class Exchange {
  public:
    static constexpr int kBufferSize = 765;
    static constexpr int kReceiveArea = 0;
    static constexpr int kSendArea = 255;
    static constexpr int kModemArea = 510;
    static constexpr int kReadSize = 256;
    static constexpr int kPacingSteps = 20;
    static constexpr int kDefaultWaitMs = 300;
    // After a refused reply the line must stay quiet this long before the next request, so
    // that a reply arriving late is thrown away rather than taken for the next one's.
    static constexpr int kSettleAfterFailureMs = 1000;

    using Progress = std::function<void(int maximum, int position)>;

    Exchange(comm::SerialLine& line, Waiter& waiter);

    // Runs the cycle for one command of the table; the first failing test ends it. The
    // payload must have the command's length. Whatever waits in the input from before is
    // thrown away first. A device that went away raises CommError.
    Check run(Command command, std::span<const uint8_t> payload = {});

    void clearBuffer();
    void Del(int steps);

    std::span<const uint8_t> receiveArea() const;
    std::span<const uint8_t> sendArea() const;
    std::span<uint8_t> buffer() { return m_buffer; }
    // How many bytes the last reply had.
    int replyCount() const { return m_replyCount; }
    // Reply bytes 4 … 4 + count - 1: the data of the last reply.
    std::span<const uint8_t> replyData(int count) const;

    uint32_t meterAddress = 0;  // bytes 0-2 form the address header

    // A negative wait counts as 0.
    void setWaitMs(int ms) { m_waitMs = ms < 0 ? 0 : ms; }
    int waitMs() const { return m_waitMs; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Moves the progress bar for a wait of someone else's (the modem's answer).
    void reportProgress(int maximum, int position) {
        if (m_progress) m_progress(maximum, position);
    }
    // The fast exchange: no pacing, and the reply is taken as soon as it is whole and the
    // line has gone quiet, with the reply wait as the upper bound. Off: the full cycle.
    void setFast(bool fast) { m_fast = fast; }
    bool fast() const { return m_fast; }
    // Every frame sent and received, and bytes thrown away, go to the log while one is set.
    void setTrafficLog(TrafficLog* log) { m_log = log; }
    // Bytes that came over the line but were no reply: refused replies and what was thrown
    // away before a request. A modem's own words (a call dropped) can only be seen here.
    using StrayBytes = std::function<void(std::span<const uint8_t>)>;
    void setStrayBytes(StrayBytes listener) { m_stray = std::move(listener); }
    TrafficLog* trafficLog() const { return m_log; }

    comm::SerialLine& line() { return m_line; }
    Waiter& waiter() { return m_waiter; }

  private:
    int buildRequest(const CommandInfo& info, std::span<const uint8_t> payload);
    Check checkReply(const CommandInfo& info, int count) const;
    int readReply(const CommandInfo& info);
    void settleLine();
    void throwIfLost() const;

    comm::SerialLine& m_line;
    Waiter& m_waiter;
    std::array<uint8_t, kBufferSize> m_buffer{};
    int m_waitMs = kDefaultWaitMs;
    Progress m_progress;
    TrafficLog* m_log = nullptr;
    StrayBytes m_stray;
    int m_replyCount = 0;
    bool m_fast = false;
    bool m_lineUnsettled = false;  // the last reply was refused: more may still come
};

}  // namespace vilt::link
