#pragma once
// The tables a user hands on, as sheets: the same columns from the window and from the
// command line. Energy in kW·h (kvar·h), exact to the hundredth.

#include <QList>

#include "archive/archive.h"
#include "archive/visits.h"
#include "ops/events.h"
#include "ops/readings.h"
#include "sheet/csv.h"
#include "station/meter_result.h"

namespace vilt::sheet {

// Stored profile days, a row per half hour as the profile grid shows it: factory number, the
// day, the slice (0 … 47), the time and date it ends, the energy.
Sheet profileSheet(const QList<archive::ProfileRow>& days);
// Days read from the meter, a row per half hour, with whether the slice is whole.
Sheet profileSheet(const QList<ops::ProfileOutcome>& days);

// Month-end readings, a row per meter and month: T1 … T4 active, then reactive.
Sheet monthSheet(const QList<archive::MonthRow>& rows);
// The month-end readings a read got, as the archive row they are stored in.
archive::MonthRow monthRow(qint64 factory, const ops::EnergyOutcome& read);

// The counters read: a row each for active and (when read) reactive, T1 … T4 and the sum.
Sheet energySheet(const ops::EnergyOutcome& read);

// The journals, a row per event: journal, its number in the journal, date and time. A
// journal with a record that is no real time gets a row with the reason instead.
Sheet journalSheet(const ops::Journals& journals);

// The record of visits, by time.
Sheet visitsSheet(const QList<archive::VisitRecord>& visits);

// A round's summary, a row per line of its file: the line, label, factory number, energy,
// clock offset and result.
Sheet roundSheet(const QList<station::MeterResult>& results);

}  // namespace vilt::sheet
