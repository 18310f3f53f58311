#include "app/frame/presenter.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <optional>

#include "app/widgets/message_box.h"
#include "app/widgets/radio_group.h"
#include "app/frame/result_panels.h"
#include "link/outcome_texts.h"

namespace vilt::app {

namespace texts = link::texts;
using link::Check;
using link::Command;
using link::Operation;

namespace {

// The panel each operation ends on; a failure shows its failure panel, if it has one.
struct OperationPanels {
    Operation operation;
    std::optional<Panel> success;
    std::optional<Panel> failure;
    std::optional<Panel> absent = std::nullopt;  // the meter holds nothing for it
};
constexpr std::array kOperationPanels = {
    OperationPanels{Operation::ReadClock, Panel::ClockRead, Panel::NoLink},
    OperationPanels{Operation::ReadEvents, Panel::EventsRead, Panel::NoLink},
    OperationPanels{Operation::WriteClock, Panel::ClockWritten, Panel::NoLink},
    OperationPanels{Operation::SyncClock, Panel::ClockSynced, Panel::NoLink},
    OperationPanels{Operation::WritePlace, Panel::PlaceWritten, Panel::NoLink},
    OperationPanels{Operation::Reset, Panel::ResetDone, Panel::NoLink},
    OperationPanels{Operation::WriteSpeed, Panel::SpeedChanged, Panel::NoLink},
    OperationPanels{Operation::ChangePassword, Panel::PasswordChanged, std::nullopt},
    OperationPanels{Operation::WriteLimits, std::nullopt, Panel::NoLink},
    OperationPanels{Operation::Out512, Panel::Output512On, Panel::NoLink},
    OperationPanels{Operation::ReadCalibration, Panel::CalibrationRead, Panel::NoLink},
    OperationPanels{Operation::WriteCalibration, Panel::CalibrationWritten, Panel::NoLink},
    OperationPanels{Operation::WriteSerialNumber, Panel::MeterNumberWritten, Panel::NoLink},
    OperationPanels{Operation::ReadEnergy, Panel::EnergyRead, Panel::NoLink},
    OperationPanels{Operation::ReadTariffs, Panel::TariffsRead, Panel::NoLink},
    OperationPanels{Operation::WriteTariffs, Panel::TariffsWritten, Panel::NoLink},
    OperationPanels{Operation::ReadProfile, Panel::ProfileRead, Panel::NoLink, Panel::NoProfile},
};

// What each session step shows: its panel on success; a failure hides Connected and shows
// NoLink (WrongPassword for a refused password), and may take a panel of its own away.
struct StepPanels {
    Command command;
    std::optional<Panel> success;
    std::optional<Panel> hiddenOnFailure;
};
constexpr std::array kStepPanels = {
    StepPanels{Command::LocalIdentity, Panel::Connected, std::nullopt},
    StepPanels{Command::Identity, Panel::ConnectedRead, Panel::ConnectedRead},
    StepPanels{Command::Challenge, std::nullopt, std::nullopt},
    StepPanels{Command::Login, Panel::ConnectedReadWrite, std::nullopt},
};

// Panels a new session clears; the event panel outlives a reconnect.
constexpr std::array kSessionPanels = {
    Panel::Connected,          Panel::NoLink,     Panel::ConnectedRead,    Panel::ConnectedReadWrite,
    Panel::WrongPassword,        Panel::TariffsRead,    Panel::EnergyRead,      Panel::PlaceWritten,
    Panel::ResetDone,       Panel::TariffsWritten,   Panel::ClockRead,   Panel::ClockSynced,
    Panel::ClockWritten,      Panel::Output512On,   Panel::CalibrationRead, Panel::CalibrationWritten,
    Panel::MeterNumberWritten,   Panel::ProfileRead, Panel::NoProfile,      Panel::SpeedChanged,
    Panel::PasswordChanged, Panel::Stopped,
};

template <typename Row, typename Key>
const Row* rowOf(const auto& table, Key key, Key Row::*field) {
    for (const Row& row : table)
        if (row.*field == key) return &row;
    return nullptr;
}

}  // namespace

Presenter::Presenter(QWidget& window, ResultPanels& panels, std::array<QLabel*, 2> status)
    : m_window(window), m_panels(panels), m_status(status) {}

void Presenter::beginOperation() {
    m_window.repaint();
    m_panels.hideAll();
    m_window.repaint();
}

void Presenter::beginSession() {
    setInfo(kBlankLabel, kBlankLabel, kBlankLabel);
    hideSessionPanels();
    setConnectShown(false);
    m_window.repaint();
}

void Presenter::showSession(const link::SessionOutcome& outcome) {
    for (const link::Step& step : outcome.steps) showStep(step);
    if (const auto& identity = outcome.identity) {
        setInfo(identity->place, QString::number(identity->model),
                link::versionText(identity->version));
        m_session.operations->setEnabled(true);
    }
    // A changed number switches the mode through the field's own change handler.
    m_session.factory->setValue(static_cast<int>(outcome.factory));
    m_session.mode->setItemIndex(static_cast<int>(outcome.mode));
    if (outcome.loginFailed) {
        showPanel(Panel::ConnectedRead, false);
        setConnectShown(true);
    }
    for (const QString& text : outcome.messages) message(text);
}

void Presenter::showStep(const link::Step& step) {
    const StepPanels* row = rowOf<StepPanels>(kStepPanels, step.command, &StepPanels::command);
    if (!row) return;
    if (step.check == Check::Ok) {
        if (row->success) showPanel(*row->success);
    } else {
        showPanel(Panel::Connected, false);
        const bool refused = step.command == Command::Login && step.check == Check::Ack;
        showPanel(refused ? Panel::WrongPassword : Panel::NoLink);
        if (row->hiddenOnFailure) showPanel(*row->hiddenOnFailure, false);
    }
    const texts::StatusTexts status = texts::sessionStatus(step);
    if (status.exchange) setStatus(0, *status.exchange);
    if (status.number) setStatus(1, *status.number);
}

void Presenter::showSessionClosed(const std::optional<QString>& dtrFailure) {
    if (dtrFailure) setStatus(0, *dtrFailure);
    setConnectShown(true);
    hideSessionPanels();
    showPanel(Panel::EventsRead, false);
    setInfo(kBlankLabel, kBlankLabel, kBlankLabel);
}

void Presenter::show(const link::Outcome& outcome) {
    for (const QString& text : outcome.messages) message(text);
    if (outcome.status == link::Status::Garbled || outcome.status == link::Status::Failed ||
        outcome.status == link::Status::PortFailed)
        message(outcome.error);
    const auto* row =
        rowOf<OperationPanels>(kOperationPanels, outcome.operation, &OperationPanels::operation);
    if (!row) return;
    if (outcome.status == link::Status::Done && row->success) showPanel(*row->success);
    if (outcome.status == link::Status::NoLink && row->failure) showPanel(*row->failure);
    if (outcome.status == link::Status::Absent && row->absent) showPanel(*row->absent);
}

void Presenter::showFailure(const link::Outcome& outcome) {
    const auto* row =
        rowOf<OperationPanels>(kOperationPanels, outcome.operation, &OperationPanels::operation);
    showPanel(row && row->failure ? *row->failure : Panel::NoLink);
    setStatus(0, texts::failureText(outcome));
}

void Presenter::showStopped() {
    m_panels.hideAll();
    showPanel(Panel::Stopped);
    setStatus(0, texts::kStopped);
}

void Presenter::beginPasswordChange() {
    setStatus(0, kBlankStatus);
    setStatus(1, kBlankStatus);
}

// The user is told first, with the red panel behind the box; then the session ends and
// only the panel that asks for a new connection stays.
void Presenter::showPasswordChange(const link::Outcome& outcome,
                                   const std::function<void()>& endSession) {
    if (!outcome.ok()) {
        show(outcome);
        return;
    }
    showPanel(Panel::NoLink);
    for (const QString& text : outcome.messages) message(text);
    endSession();
    showPanel(Panel::PasswordChanged);
}

// A panel that appears and a status text that changes are announced to a screen reader.
void Presenter::showPanel(Panel panel, bool visible) {
    m_panels.setVisible(panel, visible);
    if (!visible) return;
    QAccessibleEvent shown(m_panels.label(panel), QAccessible::Alert);
    QAccessible::updateAccessibility(&shown);
}

void Presenter::setStatus(int statusPanel, const QString& text) {
    QLabel* label = m_status.at(static_cast<size_t>(statusPanel));
    if (label->text() == text) return;
    label->setText(text);
    QAccessibleEvent changed(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void Presenter::message(const QString& text) {
    showMessage(text);
}

void Presenter::setConnectShown(bool shown) {
    m_session.connect->setVisible(shown);
    m_session.disconnect->setVisible(!shown);
}

void Presenter::setInfo(const QString& place, const QString& model, const QString& version) {
    m_session.info[0]->setText(place);
    m_session.info[1]->setText(model);
    m_session.info[2]->setText(version);
}

void Presenter::hideSessionPanels() {
    for (Panel panel : kSessionPanels) showPanel(panel, false);
}

}  // namespace vilt::app
