#pragma once
// The tariff schedule read and write, as the Read and Write operations run them: the
// calendar first, then the zone maps of seasons 1 to 12.

#include <array>

#include "link/exchange.h"
#include "link/outcome.h"
#include "tariff/model.h"
#include "tariff/special_days.h"

namespace vilt::tariff {

inline constexpr int kReadAttempts = 3;
inline constexpr int kReadPauseMs = 100;

// What the read brought. Status Done: everything was read. NoLink: the calendar could not
// be read (nothing changed, no zone map asked), or a zone map could not (the seasons that
// failed keep their maps). Garbled: the calendar reply holds a record that is no date;
// error says which, nothing changed and no zone map was asked.
struct TariffReadOutcome : link::Outcome {
    TariffReadOutcome() : link::Outcome(link::Operation::ReadTariffs) {}

    Schedule schedule{};  // the schedule after the read
    SpecDays days;         // records 0-23 from the meter; 24-29 and count as they were
    bool calendarRead = false;
    std::array<bool, kSeasonCount> seasonsRead{};
    // The Read operation goes on with the event group: only when the calendar was read
    // and a zone map was not. Otherwise the tariff read ends it.
    bool goesOn = false;
};

// The calendar gets up to three attempts; once it is read, 100 ms, then each season up to
// three attempts, each followed by 100 ms. A season that fails all three ends the season
// reads: the line is taken for gone, and it and the seasons after it keep their maps.
TariffReadOutcome readTariffs(link::Exchange& exchange, const Schedule& current,
                              const SpecDays& currentDays);

// "Не прочитаны сезоны: 7, 8": the seasons a read with its calendar read left out.
QString unreadSeasonsText(const TariffReadOutcome& outcome);

// The calendar once; when it is refused nothing more is sent. Then every season once, a
// refused one not stopping the rest. NoLink when any exchange was refused.
link::Outcome writeTariffs(link::Exchange& exchange, const Schedule& schedule,
                           const SpecDays& days);

// What such a write left unconfirmed, by name: «Календарь не записан» when the calendar was
// refused (nothing after it was sent), else «Не записаны сезоны: 4, 7»; empty when the
// meter confirmed everything.
QString unconfirmedText(const link::Outcome& written);

}  // namespace vilt::tariff
