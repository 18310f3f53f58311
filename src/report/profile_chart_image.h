#pragma once
// A day's power profile as a picture for a printed page: a bar per half hour over the hours
// of the day, axes with their units, gridlines at round values, the locale's decimal sign,
// and the half hours the meter did not record whole marked apart.

#include <QImage>
#include <QLocale>
#include <QSize>

#include "ops/readings.h"

namespace vilt::report {

QImage profileChartImage(const ops::ProfileOutcome& day, const QSize& size,
                         const QLocale& locale);

// A round step for gridlines over 0 … top: 1, 2 or 5 times a power of ten, some five of them.
double gridStep(double top);

}  // namespace vilt::report
