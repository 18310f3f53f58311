#pragma once
// The faults the meter puts on a reply on purpose.

#include <QByteArray>
#include <cstdint>

#include "sim/virtual_meter.h"

namespace vilt::sim {

// Whether `kind` does anything to the reply to `code`: the ack faults only touch replies
// that are an acknowledgement, the password fault only the login.
bool faultApplies(FaultKind kind, uint8_t code);

// The clean reply `frame` as it leaves the meter with `fault` on it.
Reply withFault(QByteArray frame, const Fault& fault);

}  // namespace vilt::sim
