#pragma once
// What the pages share, handed to each: the port, the exchange and session, the presenter,
// the operation guard and the archive.

#include "app/operation_guard.h"
#include "app/presenter.h"
#include "archive/archive.h"
#include "comm/tcomm.h"
#include "link/exchange.h"
#include "link/session.h"
#include "tariff/tariff_file.h"

namespace vilt::app {

struct Services {
    comm::TComm& comm;
    link::Exchange& exchange;
    link::Session& session;
    Presenter& presenter;
    OperationGuard& guard;
    archive::Archive& archive;
    // The tariff schedule and special days the window edits, reads and writes.
    tariff::TariffFile& tariffs;

    // The session's own close, and the window without a session.
    void closeSession() { presenter.showSessionClosed(session.close()); }
};

}  // namespace vilt::app
