#pragma once
// The six event journals of the meter, ten records each.
//
//   read journal j  0x14: request hdr, code, j, CRC     reply 56: 50 bytes of records at 4-53
//   record (5 bytes, BCD on the wire): day, month, year in the century, hour, minute
// A record whose day is 0 or above 31 ends the used part of a journal.

#include <QDateTime>
#include <QList>
#include <QString>
#include <array>

#include "link/exchange.h"
#include "link/outcome.h"

namespace vilt::ops {

inline constexpr int kJournalCount = 6;
inline constexpr int kRecordsPerJournal = 10;
inline constexpr int kRecordBytes = 5;

// Decoded record bytes, as stored: day, month, year, hour, minute.
using EventRecord = std::array<uint8_t, kRecordBytes>;
using Journal = std::array<EventRecord, kRecordsPerJournal>;
using Journals = std::array<Journal, kJournalCount>;

// Journal names as the journal page lists them, by journal number.
const std::array<QString, kJournalCount>& journalNames();

// The low byte of journal is sent; the records come back decoded from BCD.
link::Result<Journal> requestJournal(link::Exchange& exchange, int journal);

// The records the journal page shows, in order. A record that is not a real date or time
// ends the list with an error, and then the page shows none of them.
struct JournalRows {
    QList<QDateTime> events;
    QString error;
};
JournalRows journalRows(const Journal& journal);

}  // namespace vilt::ops
