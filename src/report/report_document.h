#pragma once
// The visit report as a document: Russian, A4, numbered pages. Text from outside (the place
// of installation, the station's name) is written as text, never taken for markup.

#include <QString>
#include <optional>

#include "report/report_data.h"

class QPagedPaintDevice;

namespace vilt::report {

// The report's body as HTML; the chart of the profile (when one was read) refers to the
// image named kChartName, drawn chartWidth wide (in the document's units).
QString reportHtml(const ReportData& data, int chartWidth);
inline const QString kChartName = QStringLiteral("profile-chart.png");

// Paints the report on a paged device (a PDF writer, a printer), a page after another, each
// with its number at the foot.
void paintReport(QPagedPaintDevice& device, const ReportData& data);

// Writes the report as a PDF file, whole or not at all; the reason when it could not.
std::optional<QString> writeReportPdf(const QString& path, const ReportData& data);

}  // namespace vilt::report
