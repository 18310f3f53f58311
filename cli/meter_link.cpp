#include "cli/meter_link.h"

#include "link/outcome_texts.h"

namespace vilt::cli {

MeterLink::MeterLink(const Options& options) : m_options(options) {
    m_exchange.setTimeOut(options.timeOut);
}

MeterLink::~MeterLink() {
    m_session.close();  // DTR refused on the way out: the port still goes
}

std::optional<Failure> MeterLink::connect() {
    m_comm.SetDeviceName(m_options.port);
    m_comm.SetBaudRate(m_options.speed);
    m_comm.Open();
    if (!m_comm.Enabled()) return Failure{kUsage, link::texts::kPortOpenFailed};
    m_outcome = m_session.open({m_options.mode, m_options.factory, m_options.password});
    if (!m_outcome.ok()) return Failure{kNoLink, link::texts::failureText(m_outcome)};
    return std::nullopt;
}

void MeterLink::disconnect() {
    m_session.close();
}

}  // namespace vilt::cli
