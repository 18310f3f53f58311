#pragma once
// What the pages share, handed to each: the port, the exchange and session, the presenter
// and the operation guard.

#include "app/operation_guard.h"
#include "app/presenter.h"
#include "comm/tcomm.h"
#include "link/exchange.h"
#include "link/session.h"

namespace vilt::app {

struct Services {
    comm::TComm& comm;
    link::Exchange& exchange;
    link::Session& session;
    Presenter& presenter;
    OperationGuard& guard;

    // The session's own close, and the window without a session.
    void closeSession() { presenter.showSessionClosed(session.close()); }
};

}  // namespace vilt::app
