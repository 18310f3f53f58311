// Every reply the workstation decodes, on any bytes: the first input byte picks the
// command (and, with its top bit, whether the rest is made a well-formed frame of that
// command, so that the decoders behind the checks are reached); the rest is the reply.
// Nothing may crash, read out of bounds or hang.

#include <QDate>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "comm/serial_line.h"
#include "limits/limits.h"
#include "link/crc.h"
#include "link/exchange.h"
#include "link/session.h"
#include "link/waiter.h"
#include "ops/clock.h"
#include "ops/energy.h"
#include "ops/events.h"
#include "ops/profile.h"
#include "service/service.h"
#include "tariff/commands.h"
#include "tariff/special_days.h"

using namespace vilt;

namespace {

// A line whose meter answers every request with the same bytes.
class ScriptedLine : public comm::SerialLine {
  public:
    explicit ScriptedLine(std::vector<uint8_t> reply) : m_reply(std::move(reply)) {}
    void SetDeviceName(const QString&) override {}
    QString DeviceName() const override { return {}; }
    void SetBaudRate(comm::BaudRate) override {}
    comm::BaudRate baudRate() const override { return comm::BaudRate::br9600; }
    void Open() override {}
    bool Enabled() const override { return true; }
    int Write(const uint8_t*, int count) override {
        m_pending = m_reply;
        return count;
    }
    int Read(uint8_t* data, int count) override {
        const int n = std::min<int>(count, static_cast<int>(m_pending.size()));
        std::copy_n(m_pending.begin(), n, data);
        m_pending.erase(m_pending.begin(), m_pending.begin() + n);
        return n;
    }
    int ReadReply(uint8_t* data, int count, int, const WholeReply&) override {
        return Read(data, count);
    }
    int Discard(int, QByteArray*) override {
        const int n = static_cast<int>(m_pending.size());
        m_pending.clear();
        return n;
    }
    void Close() override {}
    bool Lost() const override { return false; }
    void SetDTRState(bool) override {}

  private:
    std::vector<uint8_t> m_reply;
    std::vector<uint8_t> m_pending;
};

class NoWaiter : public link::Waiter {
  public:
    void sleep(int) override {}
    void processPendingMessages() override {}
};

struct Decoder {
    link::Command command;
    std::function<void(link::Exchange&)> run;
};

const std::array<Decoder, 14>& decoders() {
    using C = link::Command;
    static const std::array<Decoder, 14> kDecoders = {{
        {C::Identity, [](link::Exchange& e) { (void)link::requestIdentity(e); }},
        {C::LocalIdentity, [](link::Exchange& e) { (void)link::requestLocalIdentity(e); }},
        {C::Challenge, [](link::Exchange& e) { (void)link::requestChallenge(e); }},
        {C::ReadClock, [](link::Exchange& e) { (void)ops::requestClock(e); }},
        {C::ReadDst, [](link::Exchange& e) { (void)ops::requestDaylightSaving(e); }},
        {C::ReadEvent,
         [](link::Exchange& e) {
             const auto journal = ops::requestJournal(e, 0);
             if (journal.ok()) (void)ops::journalRows(journal.value);
         }},
        {C::ReadEnergy, [](link::Exchange& e) { (void)ops::requestActiveEnergy(e); }},
        {C::ReadMonth, [](link::Exchange& e) { (void)ops::requestMonthEnd(e, 12); }},
        {C::ReadProfile, [](link::Exchange& e) { (void)ops::requestProfileDay(e, QDate(2010, 3, 5)); }},
        {C::ReadLimits, [](link::Exchange& e) { (void)limits::requestLimits(e); }},
        {C::ReadCalibration, [](link::Exchange& e) { (void)service::requestCalibration(e); }},
        {C::ReadZones,
         [](link::Exchange& e) {
             const auto packed = tariff::requestSeasonZones(e, 3);
             tariff::Season season;
             if (packed.ok()) tariff::unpackZones(packed.value, season);
         }},
        {C::ReadCalendar,
         [](link::Exchange& e) {
             const auto wire = tariff::requestCalendar(e);
             if (wire.ok()) (void)tariff::unpackCalendar(wire.value);
         }},
        {C::WriteClock,
         [](link::Exchange& e) {
             const std::array<uint8_t, 7> frame{};
             (void)e.run(link::Command::WriteClock, frame);
         }},
    }};
    return kDecoders;
}

// The bytes as a reply of `command`: the address, the echoed code, the data as given,
// a CRC that checks, cut or padded to one of the command's lengths.
std::vector<uint8_t> framed(link::Command command, const uint8_t* data, size_t size) {
    const link::CommandInfo& info = link::commandInfo(command);
    const bool shortOne = info.shortReply > 0 && size > 0 && (data[0] & 1);
    const size_t length = static_cast<size_t>(shortOne ? info.shortReply : info.replyLength);
    std::vector<uint8_t> reply(length, 0);
    reply[0] = 0x39;
    reply[1] = 0x30;
    reply[3] = link::code(command);
    for (size_t i = 4; i + 2 < length && i - 4 < size; ++i) reply[i] = data[i - 4];
    const int32_t crc = link::frameCrc(reply.data(), static_cast<int32_t>(length));
    reply[length - 2] = static_cast<uint8_t>(crc >> 8);
    reply[length - 1] = static_cast<uint8_t>(crc);
    return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Decoder& decoder = decoders()[(data[0] & 0x7F) % decoders().size()];
    const bool wellFormed = (data[0] & 0x80) != 0;
    std::vector<uint8_t> reply = wellFormed ? framed(decoder.command, data + 1, size - 1)
                                            : std::vector<uint8_t>(data + 1, data + size);
    ScriptedLine line(std::move(reply));
    NoWaiter waiter;
    link::Exchange exchange(line, waiter);
    exchange.meterAddress = 12345;
    decoder.run(exchange);
    return 0;
}
