#pragma once
// The operations against the in-process virtual meter on a virtual clock.

#include "exchange.h"
#include "fake_line.h"
#include "operations.h"
#include "recording_view.h"
#include "virtual_clock.h"
#include "virtual_meter.h"

namespace vilt::test {

struct OpsRig {
    sim::VirtualMeter meter;
    VirtualClock clock;
    FakeLine line{meter, clock};
    link::Exchange exchange{line, clock};
    RecordingView view;
    ops::EventTab events{};
    ops::Operations operations{exchange, view, events};

    OpsRig() { exchange.meterAddress = meter.state().factory; }

    QList<QByteArray> requests(uint8_t code) const {
        QList<QByteArray> found;
        for (const QByteArray& r : meter.requests())
            if (r.size() > 3 && uint8_t(r[3]) == code) found << r;
        return found;
    }
};

}  // namespace vilt::test
