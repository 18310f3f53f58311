#pragma once
// What vilt-cli shows of a round while it runs: per meter a line as its visit starts and one
// with its result, the modem's answers between, each line naming the meter's place in the
// file, its port and its line ("[2/6] Com2 round.csv:4: …"); the traffic into the trace,
// every line tagged with its port. The round makes these calls from the ports' threads, one
// at a time, so every line goes out whole.

#include <QList>
#include <QString>

#include "cli/round_file.h"
#include "cli/round_result.h"
#include "cli/trace.h"
#include "station/round.h"

namespace vilt::cli {

class RoundProgress : public station::RoundObserver {
  public:
    // lines: the whole file; visited: for each meter of the round, its place among lines.
    RoundProgress(const QString& file, const QList<RoundLine>& lines,
                  const QList<qsizetype>& visited, Trace& trace);

    // A malformed line, told before the round starts.
    void tellMalformed(qsizetype place);

    void starting(qsizetype index) override;
    void dialled(qsizetype index, const dialup::DialOutcome& outcome) override;
    void hungUp(qsizetype index, const dialup::DialOutcome& outcome) override;
    void traffic(qsizetype index, const link::TrafficEntry& entry) override;
    // Where a meter's result is made, on its port's thread, as soon as its visit is over.
    void finished(qsizetype index, const station::MeterVisit& visit) override;

    // Every line's result in the file's order; a meter the round did not finish has none.
    const QList<MeterResult>& results() const { return m_results; }

  private:
    QString where(qsizetype place) const;
    void tellModem(qsizetype index, const dialup::DialOutcome& outcome);

    QString m_file;
    const QList<RoundLine>& m_lines;
    const QList<qsizetype>& m_visited;
    Trace& m_trace;
    QList<MeterResult> m_results;
};

}  // namespace vilt::cli
