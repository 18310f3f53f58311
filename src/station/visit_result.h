#pragma once
// How a visit ended, decided once for every front end: the window's dial-up batch, the page
// «Обход», vilt-cli round (shared or not) and the visit report say the same words of the
// same faults, and store them in the visits table; scripts get a short code beside them.
//
//   code          text (one phrase a fault, in the order they came; several joined by "; ")
//   ok            «успешно», «успешно, часы установлены» after the clock was set
//   no-call       «нет соединения с НОМЕР», and the modem's reason: «…: Абонент не отвечает!»
//   session       «сеанс: …»       the port would not open, or the meter did not answer
//   port-lost     the port's own words («Устройство порта отключено»)
//   energy        «энергия: …»     the counters, or the month-end readings not read
//   clock         «часы: …»
//   clock-set     «установка часов: …»
//   events        «события: …»
//   profile       «профиль: …»
//   archive       «архив: …»       a reading or the record of the visit not stored
//   stopped       «Обмен остановлен пользователем»
//   not-hung-up   «звонок не завершён»
//   not-visited   «не посещён: обход остановлен»
//   malformed     «ошибка в строке: …»
//   error         the words of an error of the program's own that broke the visit off

#include <QString>
#include <QStringList>
#include <optional>

#include "ops/operations.h"
#include "ops/readings.h"
#include "station/visit.h"

namespace vilt::station {

// What a visit failed in on the line, in order: the dial (no call), the port that would
// not open, the session, a port that went away, and an unconfirmed hang-up (the call may
// still stand). The text is the bare reason, as a single command tells it.
struct VisitFailure {
    enum class Kind { NoCall, PortNotOpened, Session, PortLost, NotHungUp };
    Kind kind;
    QString text;
};
// phone: the number dialled, for the text of a call that did not come.
QList<VisitFailure> visitFailures(const VisitOutcome& outcome, const std::optional<QString>& phone);

struct VisitResult {
    struct Fault {
        QString code;
        QString text;
    };
    QList<Fault> faults;
    bool clockSet = false;

    bool ok() const { return faults.isEmpty(); }
    // "ok", or the first fault's code.
    QString code() const;
    // «успешно…», or the faults' phrases joined by "; ".
    QString text() const;
    // The faults' phrases, in order.
    QStringList faultTexts() const;
    void add(const QString& code, const QString& text) { faults << Fault{code, text}; }
};

VisitResult visitResult(const VisitOutcome& visit, const std::optional<QString>& phone);

// The readings' own faults, for what read them (a visit; the report). The energy's: true
// when the counters were read, whatever became of the month-end readings.
bool addEnergyFaults(VisitResult& result, const ops::EnergyOutcome& energy);
void addClockFault(VisitResult& result, const ops::ClockOutcome& clock,
                   const std::optional<qint64>& offset);
void addEventsFault(VisitResult& result, const ops::EventsOutcome& events);
void addProfileFault(VisitResult& result, const ops::ProfileOutcome& profile);
// What the archive said when it did not take a reading or the record of a visit.
void addArchiveFault(VisitResult& result, const QString& message);

// A meter a round did not reach: stopped before its turn, or a line of the file that could
// not be understood.
VisitResult notVisited();
VisitResult malformed(const QString& why);

}  // namespace vilt::station
