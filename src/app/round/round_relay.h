#pragma once
// The round's observer for the window: the stations' threads call it, and it hands each
// call on as a signal, queued to the window's thread. It touches no widget.

#include <QHash>
#include <QObject>
#include <mutex>

#include "station/meter_result.h"
#include "station/round.h"

namespace vilt::app {

class RoundRelay : public QObject, public station::RoundObserver {
    Q_OBJECT
  public:
    // meters: the round's list, which the results are made from on the stations' threads;
    // empty for a shared round, whose meters are told as the lines claim them.
    explicit RoundRelay(QList<station::RoundMeter> meters, QObject* parent = nullptr)
        : QObject(parent), m_meters(std::move(meters)) {}

    // The meter of an index: the list's, or the one a line claimed.
    station::RoundMeter meter(qsizetype index) const {
        if (index < m_meters.size()) return m_meters[index];
        const std::lock_guard lock(m_mutex);
        return m_claimed.value(index);
    }

    void claimed(qsizetype index, const station::RoundMeter& meter) override {
        {
            const std::lock_guard lock(m_mutex);
            m_claimed.insert(index, meter);
        }
        emit meterClaimed(index, meter);
    }
    void lineFailed(const QString& port, const QString& error) override {
        emit lineBroken(port, error);
    }
    void starting(qsizetype index) override { emit meterStarting(index); }
    void finished(qsizetype index, const station::MeterVisit& visit) override {
        emit meterFinished(index, station::meterResult(meter(index), visit));
    }

  signals:
    void meterClaimed(qsizetype index, const vilt::station::RoundMeter& meter);
    void lineBroken(const QString& port, const QString& error);
    void meterStarting(qsizetype index);
    void meterFinished(qsizetype index, const vilt::station::MeterResult& result);
    // A shared round's mark of a visit that the server did not take.
    void markFailed(qsizetype index, const QString& error);
    // The round is over (every meter finished), or broke off with an error of its own.
    void roundEnded(const QString& error);

  private:
    const QList<station::RoundMeter> m_meters;
    mutable std::mutex m_mutex;
    QHash<qsizetype, station::RoundMeter> m_claimed;
};

}  // namespace vilt::app
