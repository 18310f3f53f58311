#pragma once
// The round's observer for the window: the stations' threads call it, and it hands each
// call on as a signal, queued to the window's thread. It touches no widget.

#include <QObject>

#include "station/meter_result.h"
#include "station/round.h"

namespace vilt::app {

class RoundRelay : public QObject, public station::RoundObserver {
    Q_OBJECT
  public:
    // meters: the round's list, which the results are made from on the stations' threads.
    explicit RoundRelay(QList<station::RoundMeter> meters, QObject* parent = nullptr)
        : QObject(parent), m_meters(std::move(meters)) {}

    void starting(qsizetype index) override { emit meterStarting(index); }
    void finished(qsizetype index, const station::MeterVisit& visit) override {
        emit meterFinished(index, station::meterResult(m_meters[index], visit));
    }

  signals:
    void meterStarting(qsizetype index);
    void meterFinished(qsizetype index, const vilt::station::MeterResult& result);
    // The round is over (every meter finished), or broke off with an error of its own.
    void roundEnded(const QString& error);

  private:
    const QList<station::RoundMeter> m_meters;
};

}  // namespace vilt::app
