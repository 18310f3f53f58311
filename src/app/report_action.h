#pragma once
// «Отчёт…»: the readings a visit report needs, through the open session and stored as every
// read stores them, then the report as a PDF file where the user says.

#include <QDate>

class QWidget;

namespace vilt::app {

struct Services;

// day: whose profile the report shows. What was not read is named in the report and in the
// message that follows; nothing is asked of the meter without a session.
void makeReport(Services& services, qint64 factory, const QDate& day, QWidget* parent);

}  // namespace vilt::app
