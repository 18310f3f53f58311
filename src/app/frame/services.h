#pragma once
// What the pages share, handed to each: the station (the line, its exchange and session),
// the presenter, the operation guard and the archive.

#include "app/frame/operation_guard.h"
#include "app/frame/presenter.h"
#include "archive/archive.h"
#include "link/exchange.h"
#include "station/station.h"
#include "tariff/tariff_file.h"

namespace vilt::app {

struct Services {
    station::Station& station;
    link::Exchange& exchange;  // the station's, for the pages' single operations
    Presenter& presenter;
    OperationGuard& guard;
    archive::Archive& archive;
    // The tariff schedule and special days the window edits, reads and writes.
    tariff::TariffFile& tariffs;
    // Seasons a tariff read left out: the editor marks them until they are read or edited.
    std::array<bool, tariff::kSeasonCount> unreadSeasons{};

    // The session's own close, and the window without a session.
    void closeSession() { presenter.showSessionClosed(station.close()); }
};

}  // namespace vilt::app
