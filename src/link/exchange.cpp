#include "exchange.h"

#include <algorithm>

#include "crc.h"
#include "waiter.h"

namespace vilt::link {

Exchange::Exchange(comm::SerialLine& line, Waiter& waiter) : m_line(line), m_waiter(waiter) {}

void Exchange::ClrBuf() {
    m_buffer.fill(0);
}

void Exchange::Del(int steps) {
    if (m_progress) m_progress(steps, 0);
    for (int position = 1; position <= steps; ++position) {
        m_waiter.sleep(2);
        if (m_progress) m_progress(steps, position);
    }
    m_waiter.sleep(20);
    if (m_progress) m_progress(steps, 0);
}

std::span<const uint8_t> Exchange::receiveArea() const {
    return std::span(m_buffer).subspan(kReceiveArea, kSendArea - kReceiveArea);
}

std::span<const uint8_t> Exchange::sendArea() const {
    return std::span(m_buffer).subspan(kSendArea, kModemArea - kSendArea);
}

int Exchange::buildRequest(const Request& request) {
    uint8_t* send = m_buffer.data() + kSendArea;
    int n = 0;
    if (request.local) {
        send[n++] = 0x00;
    } else {
        for (int i = 0; i < 3; ++i) send[n++] = static_cast<uint8_t>(meterAddress >> (8 * i));
    }
    send[n++] = request.code;
    std::copy(request.payload.begin(), request.payload.end(), send + n);
    n += static_cast<int>(request.payload.size()) + 2;
    const int32_t crc = CalcPoly(send, n);
    send[n - 2] = static_cast<uint8_t>(crc >> 8);
    send[n - 1] = static_cast<uint8_t>(crc);
    return n;
}

Check Exchange::checkReply(const Request& request, int count) const {
    const int length = request.replyLength;
    if (count != length) return Check::Count;
    if (m_buffer[3] != request.code) return Check::Code;
    if ((CalcPoly(m_buffer.data(), length) & 0xFFFF) != 0) return Check::Crc;
    if (request.ack && m_buffer[4] != *request.ack) return Check::Ack;
    return Check::Ok;
}

Check Exchange::run(const Request& request) {
    ClrBuf();
    const int n = buildRequest(request);
    m_line.Write(m_buffer.data() + kSendArea, n);
    Del(kPacingSteps);
    m_waiter.sleep(m_timeOut * request.waitFactor);
    const int count = m_line.Read(m_buffer.data() + kReceiveArea, kReadSize);
    return checkReply(request, count);
}

bool Exchange::runCoded(const Request& request) {
    if (run(request) == Check::Ok) return true;
    resultCode = 1;
    return false;
}

}  // namespace vilt::link
