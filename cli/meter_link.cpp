#include "meter_link.h"

#include "comm_error.h"
#include "session_texts.h"

namespace vilt::cli {

MeterLink::MeterLink(const Options& options)
    : m_options(options), m_view(options.mode, options.factory, options.password) {
    m_exchange.setTimeOut(options.timeOut);
}

MeterLink::~MeterLink() {
    try {
        if (m_comm.Enabled()) m_session.close();
    } catch (const comm::CommError&) {
        m_comm.Close();  // DTR refused on the way out: the port still goes
    }
}

std::optional<Failure> MeterLink::connect() {
    m_comm.SetDeviceName(m_options.port);
    m_comm.SetBaudRate(m_options.speed);
    m_comm.Open();
    if (!m_comm.Enabled()) return Failure{kUsage, link::texts::kPortOpenFailed};
    if (m_session.open() != 0) return Failure{kNoLink, m_view.failureText()};
    return std::nullopt;
}

}  // namespace vilt::cli
