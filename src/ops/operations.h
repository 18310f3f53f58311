#pragma once
// The Read and Write operations of the exchange group, with their retries, waits and
// result panels, and the clock synchronisation.

#include "clock.h"
#include "events.h"
#include "exchange.h"
#include "operation_view.h"

namespace vilt::ops {

class Operations {
  public:
    static constexpr int kAttempts = 3;
    static constexpr int kSettleMs = 100;
    static constexpr int kNotTried = 10;

    Operations(link::Exchange& exchange, OperationView& view, EventTab& events);

    void ReadClick();
    void WrComClick();
    void SinClick();

    // Reads the clock frame into the pickers; throws ConversionError for a time or date
    // that is not real, having set what came before it.
    void showClock(const ClockReading& reading);

    int sessionResult() const { return m_result; }

  private:
    void prepare();
    bool runs(Group group, bool batched) const;
    void readClock();
    void readEvents();
    int readJournal(int journal);
    void finish(link::Panel success);
    void writePlace();
    void writeClock(const QTime& time, const QDate& date, link::Panel success);

    link::Exchange& m_exchange;
    OperationView& m_view;
    EventTab& m_events;
    int m_result = kNotTried;
};

}  // namespace vilt::ops
