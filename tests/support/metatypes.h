#pragma once
// The core's enums as QTest data columns, declared once for every test that tables them.

#include <QMetaType>

#include "link/exchange.h"
#include "link/outcome.h"
#include "sim/virtual_meter.h"

Q_DECLARE_METATYPE(vilt::link::Check)
Q_DECLARE_METATYPE(vilt::link::Status)
Q_DECLARE_METATYPE(vilt::sim::FaultKind)
