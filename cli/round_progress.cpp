#include "cli/round_progress.h"

#include "cli/meter_link.h"
#include "cli/output.h"

namespace vilt::cli {

RoundProgress::RoundProgress(const QString& file, const QList<RoundLine>& lines,
                             const QList<qsizetype>& visited, Trace& trace)
    : m_file(file), m_lines(lines), m_visited(visited), m_trace(trace), m_results(lines.size()) {}

QString RoundProgress::where(qsizetype place) const {
    const RoundLine& line = m_lines[place];
    QString text = QStringLiteral("[%1/%2] ").arg(place + 1).arg(m_lines.size());
    if (!line.port.isEmpty()) text += printable(line.port) + QLatin1Char(' ');
    return text + QStringLiteral("%1:%2").arg(m_file).arg(line.number);
}

void RoundProgress::tellMalformed(qsizetype place) {
    const RoundLine& line = m_lines[place];
    m_results[place] = malformedResult(line);
    err(QStringLiteral("%1: %2").arg(where(place), printable(m_results[place].result)));
}

void RoundProgress::starting(qsizetype index) {
    const qsizetype place = m_visited[index];
    const RoundLine& line = m_lines[place];
    err(QStringLiteral("%1: %2 (%3)%4 …")
            .arg(where(place), printable(line.label))
            .arg(line.factory)
            .arg(line.phone.isEmpty() ? QString() : QStringLiteral(", dialling ") + line.phone));
}

void RoundProgress::tellModem(qsizetype index, const dialup::DialOutcome& outcome) {
    const QString prefix = where(m_visited[index]) + QStringLiteral(": ");
    for (const QString& line : modemLines(outcome)) err(prefix + line);
}

void RoundProgress::dialled(qsizetype index, const dialup::DialOutcome& outcome) {
    tellModem(index, outcome);
}

void RoundProgress::hungUp(qsizetype index, const dialup::DialOutcome& outcome) {
    tellModem(index, outcome);
}

void RoundProgress::traffic(qsizetype index, const link::TrafficEntry& entry) {
    if (!m_trace.wanted()) return;
    m_trace.write(printable(m_lines[m_visited[index]].port) + QLatin1Char(' ') +
                  link::formatEntry(entry));
}

void RoundProgress::finished(qsizetype index, const station::MeterVisit& visit) {
    const qsizetype place = m_visited[index];
    m_results[place] = meterResult(roundMeter(m_lines[place]), visit);
    err(QStringLiteral("%1: %2").arg(where(place), printable(m_results[place].result)));
}

}  // namespace vilt::cli
