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
    int waitMs = link::Exchange::kDefaultWaitMs;  // how long a reply is waited for
    bool waitGiven = false;  // the user set the wait for this run: it holds through a call too
    bool fast = false;       // a reply taken as soon as it is whole
    link::AccessMode access = link::AccessMode::Local;
    uint32_t factory = 0;
    QString password;              // decimal text, for a session with a password
    std::optional<QString> phone;  // the number the modem dials; none: not given
};

// The wait of a session through a modem call: replies pass through two modems.
inline constexpr int kCallWaitMs = 1000;

// A session through a modem call runs at 9600 bit/s (the modems' speed) with the call's
// wait, unless the user set a wait for this run. The one rule for the call's wait.
inline Settings throughCall(Settings settings) {
    settings.speed = comm::BaudRate::br9600;
    if (!settings.waitGiven) settings.waitMs = kCallWaitMs;
    return settings;
}

}  // namespace vilt::station
