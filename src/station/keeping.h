#pragma once
// The readings kept in the archive as they are read: the month-end readings of an energy
// read in one transaction (a read cut short leaves no row half of this read and half of an
// older one), a day's profile before the next day is asked. The reads (ops/) hand them over;
// here they become the archive's rows, under the number of the meter the session is open to.

#include "archive/archive.h"
#include "ops/readings.h"

namespace vilt::station {

// None without an archive: the readings are read and kept nowhere.
ops::MonthKeeper monthKeeper(archive::Archive* archive, qint64 factory);
ops::DayKeeper dayKeeper(archive::Archive* archive, qint64 factory);

}  // namespace vilt::station
