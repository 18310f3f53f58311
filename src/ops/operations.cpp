#include "operations.h"

#include <QDateTime>
#include <variant>

#include "clock.h"
#include "conversion_error.h"
#include "link_settings.h"
#include "place_reset.h"
#include "waiter.h"

namespace vilt::ops {

using link::Panel;

Operations::Operations(link::Exchange& exchange, OperationView& view, EventTab& events)
    : m_exchange(exchange), m_view(view), m_events(events) {}

void Operations::prepare() {
    m_view.repaintWindow();
    link::hideAllPanels(m_view);
    m_view.repaintWindow();
    m_exchange.waiter().sleep(kSettleMs);
}

bool Operations::runs(Group group, bool batched) const {
    return m_view.selectedGroup() == group || batched;
}

// The outcome panel of a write: the result code tells.
void Operations::finish(Panel success) {
    m_view.setPanelVisible(m_exchange.resultCode != 0 ? Panel::Net_cv : success, true);
}

void Operations::ReadClick() {
    prepare();
    const Batch batch = m_view.batch();
    if (runs(Group::Time, batch.time)) {
        readClock();  // nothing is read after the clock
        return;
    }
    if (runs(Group::Event, batch.event)) readEvents();
}

void Operations::showClock(const ClockReading& reading) {
    if (!reading.time) throw ConversionError(notValidTime(reading.timeText));
    m_view.setClockTime(*reading.time);
    if (!reading.date) throw ConversionError(notValidDate(reading.dateText));
    m_view.setClockDate(*reading.date);
    if (const auto name = dayName(reading.weekday)) m_view.showDayName(*name);
}

void Operations::readClock() {
    m_view.setDstAllowed(false);
    m_exchange.resultCode = 0;
    m_result = kNotTried;
    for (int attempt = 0; attempt < kAttempts && m_result != 0; ++attempt) {
        ClockReading reading;
        m_result = RxdRdTime(m_exchange, &reading);
        if (m_result == 0) showClock(reading);
        m_exchange.waiter().processPendingMessages();
        bool allowed = false;
        const int dst = RxdRdRemove(m_exchange, &allowed);
        if (dst == 0) m_view.setDstAllowed(allowed);
        m_result += dst;
    }
    m_view.setPanelVisible(m_result == 0 ? Panel::Ok_rdtime : Panel::Net_cv, true);
    m_exchange.waiter().processPendingMessages();
}

int Operations::readJournal(int journal) {
    m_result = kNotTried;
    for (int attempt = 0; attempt < kAttempts && m_result != 0; ++attempt)
        m_result = RxdRdEvent(m_exchange, journal, m_events);
    return m_result;
}

// Journal 0 first: a meter that cannot give it is not asked for the others.
void Operations::readEvents() {
    m_exchange.resultCode = 0;
    if (readJournal(0) != 0) {
        m_view.setPanelVisible(Panel::Net_cv, true);
        return;
    }
    int failures = 0;
    for (int journal = 1; journal < kJournalCount; ++journal) failures += readJournal(journal);
    m_view.setPanelVisible(failures == 0 ? Panel::Ok_rdevent : Panel::Net_cv, true);
    m_exchange.waiter().processPendingMessages();
}

void Operations::WrComClick() {
    prepare();
    m_exchange.resultCode = 0;
    switch (m_view.selectedGroup()) {
        case Group::Place:
            writePlace();
            break;
        case Group::Reset:
            RxdReset(m_exchange);
            finish(Panel::Ok_reset);
            break;
        case Group::Speed:
            link::WrSkor(m_exchange, link::speedCode(m_view.speedIndex()));
            finish(Panel::Ok_Sk);
            break;
        case Group::Time:
            writeClock(m_view.clockTime(), m_view.clockDate(), Panel::Ok_wrtime);
            break;
        case Group::Energy:
        case Group::Tariff:
        case Group::Event:
            break;  // nothing of theirs is written from here
    }
}

// A character the meter cannot hold is refused before anything is sent.
void Operations::writePlace() {
    const auto field = placeField(m_view.placeText());
    if (const auto* reason = std::get_if<QString>(&field)) {
        m_view.message(*reason);
        return;
    }
    RxdWrPlace(m_exchange, std::get<PlaceField>(field));
    finish(Panel::Ok_wrplase);
}

// The clock, then the DST permission, one attempt each; the second goes even when the
// first failed.
void Operations::writeClock(const QTime& time, const QDate& date, Panel success) {
    RxdWrTime(m_exchange, time, date);
    RxdWrRemove(m_exchange, m_view.dstAllowed());
    finish(success);
}

void Operations::SinClick() {
    if (m_view.selectedGroup() != Group::Time) return;
    m_view.repaintWindow();
    link::hideAllPanels(m_view);
    const QDateTime now = QDateTime::currentDateTime();
    m_view.setClockDate(now.date());
    m_view.setClockTime(now.time());
    m_exchange.resultCode = 0;
    writeClock(now.time(), now.date(), Panel::Ok_stime);
}

}  // namespace vilt::ops
