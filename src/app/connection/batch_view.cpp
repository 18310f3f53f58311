#include "app/connection/batch_view.h"

#include <QDateTime>

#include "app/connection/connection_page.h"
#include "app/connection/exchange_group.h"
#include "app/connection/modem_group.h"
#include "app/widgets/radio_group.h"
#include "link/outcome_texts.h"
#include "ops/energy.h"
#include "station/visit_result.h"

namespace vilt::app {

namespace {

// The status bar's words while the batch reads a group.
QString readingText(ops::Group group) {
    switch (group) {
        case ops::Group::Energy:
            return QStringLiteral("Чтения данных о показаниях энерги по тарифам");
        case ops::Group::Time:
            return QStringLiteral("Чтение данных о времени и дате");
        case ops::Group::Event:
            return QStringLiteral("Чтение событий счетчика");
        default:
            return {};
    }
}

}  // namespace

// Nothing of an earlier read stays on the pages while this visit runs.
void BatchView::dialling() {
    m_page.exchangeGroup().blankReadings();
    m_page.modem().setState(dialup::CallState::Dialling);
}

void BatchView::dialled(const dialup::DialOutcome& outcome) {
    m_page.modem().showDial(outcome);
}

// The session through the call is a local one, whatever the fields said.
void BatchView::sessionStarting() {
    m_page.mode().setItemIndex(static_cast<int>(link::AccessMode::Local));
    m_services.presenter.beginSession();
}

void BatchView::sessionOpened(const link::SessionOutcome& outcome) {
    m_services.presenter.showSession(outcome);
}

// The group's radio button is checked and its buttons set, as the user would have.
void BatchView::readStarting(ops::Group group) {
    m_page.exchangeGroup().chooseGroup(group);
    m_services.presenter.setStatus(0, readingText(group));
    m_page.exchangeGroup().beginRead(group);
}

void BatchView::read(const ops::ReadOutcome& outcome) {
    m_page.exchangeGroup().showRead(outcome);
}

void BatchView::clockSet(const link::Outcome& outcome) {
    m_services.presenter.show(outcome);
}

void BatchView::sessionClosed(const std::optional<QString>& dtrFailure) {
    m_services.presenter.showSessionClosed(dtrFailure);
}

void BatchView::hungUp(const dialup::DialOutcome& outcome) {
    m_page.modem().showHangUp(outcome);
}

namespace {

// The step that failed first, of those the presenter shows (the modem row shows the dial
// and the hang-up); none when the visit failed between steps.
const link::Outcome* firstFailure(const station::VisitOutcome& outcome) {
    if (outcome.session && !outcome.session->ok()) return &*outcome.session;
    if (const link::Outcome* read = outcome.reads.firstFailure()) return read;
    if (outcome.clockSet && !outcome.clockSet->ok()) return &*outcome.clockSet;
    return nullptr;
}

}  // namespace

// The close and the hang-up came after the failure: the window ends on the failed step's
// panel and words, not on the hang-up's «OK».
void BatchView::finished(const station::VisitOutcome& outcome) {
    if (outcome.status == link::Status::Stopped) {
        m_services.presenter.showStopped();
        return;
    }
    if (outcome.status == link::Status::PortFailed) {
        m_services.presenter.message(outcome.error);
        m_services.presenter.showFailure(outcome);
        return;
    }
    if (const link::Outcome* failed = firstFailure(outcome))
        m_services.presenter.showFailure(*failed);
}

void BatchView::record(const station::VisitOutcome& outcome, qint64 factory,
                       const std::optional<QString>& phone) {
    archive::VisitRecord visit;
    visit.visited = QDateTime::currentDateTime();
    visit.station = archive::defaultStation();
    visit.factory = outcome.session ? outcome.session->factory : factory;
    visit.result = station::visitResult(outcome, phone).text();
    visit.offset = outcome.clockOffset;
    if (const auto& energy = outcome.reads.energy; energy && energy->active)
        visit.energy = ops::countTotal(*energy->active);
    const archive::StoreResult stored = m_services.archive.storeVisit(visit);
    if (stored.status != archive::StoreStatus::Stored) m_services.presenter.message(stored.error);
}

}  // namespace vilt::app
