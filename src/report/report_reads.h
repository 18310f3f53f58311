#pragma once
// The readings a visit report needs, in an open session: the clock, the counters with the
// month-end readings, the journals and the chosen day's profile. Each is tried as the reads
// of the window and the command line are (three attempts); one that fails does not stop the
// others. The month-end readings and the profile are stored as every read stores them.

#include <QDate>

#include "archive/archive.h"
#include "report/report_data.h"
#include "station/station.h"

namespace vilt::report {

struct ReportRequest {
    qint64 factory = 0;
    std::optional<link::Identity> identity;  // of the session
    QDate day;                               // whose profile
    archive::Archive* archive = nullptr;     // where readings are stored; none: nowhere
    QString station;
    QString engineer;
};

// Through the station's readings in its open session: the counters with the month-end
// readings, the clock, the journals, then the day's profile.
ReportData readForReport(station::Station& station, const ReportRequest& request);

// The first reading that failed and why, as "энергия: Нет связи !!!"; none when all came.
QStringList reportFailures(const ReportData& data);

// What the archive said of the readings it did not take (none: all stored).
QStringList storeMessages(const ReportData& data);

// The user this program runs as, for "who read it".
QString currentUser();

}  // namespace vilt::report
