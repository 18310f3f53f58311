#pragma once
// A meter command or operation against the in-process virtual meter on a virtual clock.

#include "link/exchange.h"
#include "sim/virtual_meter.h"
#include "support/fake_line.h"
#include "support/virtual_clock.h"

namespace vilt::test {

struct MeterRig {
    sim::VirtualMeter meter;
    VirtualClock clock;
    FakeLine line{meter, clock};
    link::Exchange exchange{line, clock};

    MeterRig() { exchange.meterAddress = meter.state().factory; }

    QList<QByteArray> requests(uint8_t code) const {
        QList<QByteArray> found;
        for (const QByteArray& r : meter.requests())
            if (r.size() > 3 && uint8_t(r[3]) == code) found << r;
        return found;
    }
};

}  // namespace vilt::test
