#pragma once
// «Отчёт…»: the readings a visit report needs, through the open session and stored as every
// read stores them, then the report as a PDF file where the user says.

#include <QDate>

class QWidget;

namespace vilt::app {

struct Services;

enum class ReportTo { File, Printer };

// day: whose profile the report shows. The file (or the printer, through the system's print
// dialog) is asked for first; what was not read is named in the report and in the message
// that follows; nothing is asked of the meter without a session.
void makeReport(Services& services, qint64 factory, const QDate& day, ReportTo to,
                QWidget* parent);

}  // namespace vilt::app
