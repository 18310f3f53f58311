#include "app/connection/modem_group.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>

namespace vilt::app {

namespace {

QLabel* stateLabel(const QString& name, const QString& text, const char* colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(
        QStringLiteral("background-color: %1; font-weight: bold; font-size: 7pt;").arg(colour));
    return label;
}

// Widgets that take turns in one place: showing one moves nothing around it.
QWidget* onePlace(std::initializer_list<QWidget*> widgets, QWidget* parent) {
    auto* place = new QWidget(parent);
    auto* stack = new QStackedLayout(place);
    stack->setStackingMode(QStackedLayout::StackAll);
    for (QWidget* widget : widgets) stack->addWidget(widget);
    return place;
}

}  // namespace

ModemGroup::ModemGroup(Services& services, std::function<station::Settings()> settings,
                       QWidget* parent)
    : QWidget(parent), m_services(services), m_settings(std::move(settings)) {
    m_number = new QLineEdit(kNumberPlaceholder, this);
    m_number->setObjectName(QStringLiteral("phone"));
    m_number->setAccessibleName(QStringLiteral("Номер телефона"));
    m_number->setCursorPosition(0);
    m_number->setMinimumWidth(60);
    m_dial = new QPushButton(kDialCaption, this);
    m_dial->setObjectName(QStringLiteral("dial"));
    m_hangUp = new QPushButton(QStringLiteral("Разорвать связь"), this);
    m_hangUp->setObjectName(QStringLiteral("hangUp"));
    m_idle = stateLabel(QStringLiteral("callIdle"), QStringLiteral("Связь не установлена"),
                        "red", this);
    m_dialling =
        stateLabel(QStringLiteral("calling"), QStringLiteral("Звоню ....."), "yellow", this);
    m_connected = stateLabel(QStringLiteral("callUp"), QStringLiteral("ЕСТЬ Соединение!"),
                             "lime", this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_number, 1);
    layout->addWidget(onePlace({m_dial, m_hangUp}, this));
    layout->addWidget(onePlace({m_idle, m_dialling, m_connected}, this));
    connect(m_dial, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { dial(); }); });
    connect(m_hangUp, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { hangUp(); }); });
    setState(dialup::CallState::Idle);
}

std::optional<QString> ModemGroup::number() const {
    if (m_number->text() == kNumberPlaceholder) return std::nullopt;
    return m_number->text();
}

void ModemGroup::dial() {
    station::Settings settings = m_settings();
    settings.phone = number();
    showDial(m_services.station.dial(settings,
                                     [this] { setState(dialup::CallState::Dialling); }));
}

void ModemGroup::hangUp() {
    showHangUp(m_services.station.hangUp());
}

// The speed and the wait first, then the modem's answers and boxes; a stopped dial says so.
void ModemGroup::showDial(const dialup::DialOutcome& outcome) {
    emit dialled(outcome);
    show(outcome);
    if (outcome.status == link::Status::Stopped) m_services.presenter.showStopped();
    setState(outcome.state, outcome.speedRefused ? kDialCaptionAfterSpeed : kDialCaption);
}

void ModemGroup::showHangUp(const dialup::DialOutcome& outcome) {
    show(outcome);
    setState(outcome.state);
}

void ModemGroup::followLine() {
    if (m_state == dialup::CallState::Connected && !m_services.station.callUp())
        setState(dialup::CallState::Idle);
}

// The modem's answers pass through the status bar; the boxes come after.
void ModemGroup::show(const dialup::DialOutcome& outcome) {
    for (const QString& reply : outcome.replies) m_services.presenter.setStatus(0, reply);
    for (const QString& message : outcome.messages) m_services.presenter.message(message);
    if (outcome.status == link::Status::PortFailed) m_services.presenter.message(outcome.error);
}

void ModemGroup::setState(dialup::CallState state, const QString& caption) {
    m_state = state;
    const bool idle = state == dialup::CallState::Idle;
    m_idle->setVisible(idle);
    m_dialling->setVisible(state == dialup::CallState::Dialling);
    m_connected->setVisible(state == dialup::CallState::Connected);
    m_dial->setVisible(state != dialup::CallState::Connected);
    m_hangUp->setVisible(state == dialup::CallState::Connected);
    m_dial->setEnabled(idle);
    m_dial->setText(state == dialup::CallState::Dialling ? kDiallingCaption : caption);
    emit idleChanged(idle);
    repaint();
}

}  // namespace vilt::app
