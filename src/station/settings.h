#pragma once
// How a station talks to its meter, as one value: the front ends fill it from their fields
// or options, in one place each.

#include <QString>
#include <cstdint>
#include <optional>

#include "comm/baud_rate.h"
#include "link/exchange.h"
#include "link/session.h"

namespace vilt::station {

struct Settings {
    QString port = QStringLiteral("Com1");
    comm::BaudRate speed = comm::BaudRate::br2400;
    int waitMs = link::Exchange::kDefaultTimeOut;  // TimeOut: how long a reply is waited for
    bool fast = false;                             // a reply taken as soon as it is whole
    link::AccessMode access = link::AccessMode::Local;
    uint32_t factory = 0;
    QString password;            // decimal text, for a session with a password
    std::optional<QString> phone;  // the number the modem dials; none: not given
};

}  // namespace vilt::station
