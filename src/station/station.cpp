#include "station/station.h"

#include "comm/comm_error.h"
#include "comm/tcomm.h"
#include "dialup/answer.h"
#include "link/outcome_texts.h"

namespace vilt::station {

Station::Station(std::unique_ptr<comm::SerialLine> line, std::unique_ptr<link::Waiter> waiter)
    : m_line(std::move(line)),
      m_waiter(std::move(waiter)),
      m_exchange(*m_line, *m_waiter),
      m_session(m_exchange) {
    m_exchange.setTrafficLog(&m_log);
    m_exchange.setStrayBytes([this](std::span<const uint8_t> bytes) { noteStray(bytes); });
}

Station::~Station() = default;

std::unique_ptr<Station> Station::onSerialPort() {
    auto port = std::make_unique<comm::TComm>();
    auto waiter = std::make_unique<link::SystemWaiter>();
    link::SystemWaiter* breathe = waiter.get();
    port->setIdle([breathe] { breathe->idle(); });
    const comm::TComm* watched = port.get();
    waiter->setWatch([watched] {
        if (watched->Lost()) throw comm::CommError(comm::kErrDeviceLost, -1);
    });
    return std::make_unique<Station>(std::move(port), std::move(waiter));
}

// The port takes its name and speed only while closed; the wait and the fast exchange hold
// for every exchange from here on.
void Station::apply(const Settings& settings) {
    if (!m_line->Enabled()) {
        m_line->SetDeviceName(settings.port);
        m_line->SetBaudRate(settings.speed);
    }
    retune(settings);
}

void Station::retune(const Settings& settings) {
    m_exchange.setWaitMs(settings.waitMs);
    m_exchange.setFast(settings.fast);
}

link::SessionOutcome Station::open(const Settings& settings,
                                   const std::function<void()>& onPortOpen) {
    apply(settings);
    m_identity.reset();
    m_line->Open();
    if (!m_line->Enabled()) {
        link::SessionOutcome refused;
        refused.status = link::Status::Refused;
        refused.portFailed = true;
        refused.messages << link::texts::portOpenFailed(m_line->openFailure());
        return refused;
    }
    if (onPortOpen) onPortOpen();
    link::SessionOutcome outcome =
        m_session.open({settings.access, settings.factory, settings.password});
    m_identity = outcome.identity;
    return outcome;
}

std::optional<QString> Station::close() {
    callUp();  // a device lost under the port took the call with it
    m_identity.reset();
    return m_session.close();
}

dialup::DialOutcome Station::dial(const Settings& settings,
                                  const std::function<void()>& onDialling) {
    if (!m_line->Enabled()) m_line->SetDeviceName(settings.port);
    dialup::DialUp dialUp(m_exchange);
    const dialup::DialOutcome outcome = dialUp.dial(settings.phone, onDialling);
    noteCall(outcome);
    return outcome;
}

dialup::DialOutcome Station::hangUp() {
    const link::StopShield shield(*m_waiter);
    try {
        m_waiter->sleep(dialup::DialUp::kQuietBeforeEscapeMs);
    } catch (const comm::CommError&) {
        // The device went away during the quiet: the hang-up finds it so and says it.
    }
    dialup::DialUp dialUp(m_exchange);
    const dialup::DialOutcome outcome = dialUp.hangUp();
    noteCall(outcome);
    m_identity.reset();
    return outcome;
}

void Station::noteCall(const dialup::DialOutcome& outcome) {
    m_callUp = outcome.state == dialup::CallState::Connected;
    m_stray.clear();
}

// The modem's word may come split over two reads: the tail of the ones before is kept.
void Station::noteStray(std::span<const uint8_t> bytes) {
    if (!m_callUp) return;
    m_stray.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    if (m_stray.contains(dialup::kNoCarrier)) {
        m_callUp = false;
        m_stray.clear();
        return;
    }
    m_stray = m_stray.right(dialup::kNoCarrier.size() - 1);
}

bool Station::callUp() {
    // A lost device dropped DTR, and with it the call.
    if (m_callUp && m_line->Lost()) m_callUp = false;
    return m_callUp;
}

std::optional<dialup::DialOutcome> Station::leave() {
    std::optional<dialup::DialOutcome> hungUp;
    if (m_callUp) {
        if (m_line->Enabled()) close();
        hungUp = hangUp();
    }
    m_identity.reset();
    m_line->Close();
    return hungUp;
}

void Station::pause(int ms) {
    m_waiter->processPendingMessages();
    m_waiter->sleep(ms);
}

}  // namespace vilt::station
