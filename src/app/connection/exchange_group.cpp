#include "app/connection/exchange_group.h"

#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/widgets/caption_radio.h"
#include "app/connection/clock_group.h"
#include "app/readings/energy_group.h"
#include "app/widgets/password_edit.h"
#include "app/widgets/radio_group.h"
#include "link/link_settings.h"
#include "ops/place_reset.h"
#include "tariff/sequences.h"
#include "station/keeping.h"

namespace vilt::app {

using ops::Group;

namespace {

struct ButtonStates {
    bool read;
    bool write;
    bool speed;
};

// Which buttons each operation group can use, by group.
ButtonStates statesFor(Group group) {
    switch (group) {
        case Group::Time:
            return {true, true, false};
        case Group::Energy:
            return {true, false, false};
        case Group::Tariff:
            return {true, true, false};
        case Group::Event:
            return {true, false, false};
        case Group::Place:
            return {false, true, false};
        case Group::Reset:
            return {false, true, false};
        case Group::Speed:
            return {false, true, true};
    }
    return {false, false, false};
}

}  // namespace

ExchangeGroup::ExchangeGroup(Services& services, ops::Journals& events, QWidget* parent)
    : QGroupBox(QStringLiteral(" Обмен со счетчиком"), parent),
      m_services(services),
      m_events(events) {
    setObjectName(QStringLiteral("exchangeGroup"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);

    m_clock = new ClockGroup(this);
    grid->addWidget(withCaptionRadio(m_clock, addRadio(Group::Time, "choiceClock")), 0, 0);
    m_energy = new EnergyGroup(m_services.presenter, this);
    grid->addWidget(withCaptionRadio(m_energy, addRadio(Group::Energy, "choiceEnergy")), 0, 1);
    grid->addWidget(buildSelection(), 1, 0);
    m_speed = new RadioGroup(QStringLiteral("newSpeed"), QStringLiteral("       Скорость"),
                             {"2400", "4800", "9600"}, this);
    m_speed->setItemIndex(0);
    m_speed->setEnabled(false);
    grid->addWidget(withCaptionRadio(m_speed, addRadio(Group::Speed, "choiceSpeed")), 1, 1);
    grid->addWidget(buildPasswordRow(), 2, 0, 1, 2);

    m_groups.button(static_cast<int>(Group::Time))->setChecked(true);
    connect(&m_groups, &QButtonGroup::idClicked, this, [this](int id) {
        m_services.guard.handle([&] { selectGroup(static_cast<Group>(id)); });
    });
    connect(m_clock->syncButton(), &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { syncClock(); }); });
    for (QWidget* control : {static_cast<QWidget*>(m_read), static_cast<QWidget*>(m_write),
                             static_cast<QWidget*>(m_clock->syncButton())})
        m_services.guard.addControl(control);
}

QRadioButton* ExchangeGroup::addRadio(Group group, const char* name, const QString& caption) {
    auto* radio = new QRadioButton(caption, this);
    radio->setObjectName(QLatin1String(name));
    m_groups.addButton(radio, static_cast<int>(group));
    return radio;
}

QWidget* ExchangeGroup::buildSelection() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(0);
    grid->addWidget(addRadio(Group::Tariff, "choiceTariffs", QStringLiteral("Тарифное расписание")), 0, 0);
    grid->addWidget(addRadio(Group::Event, "choiceEvents", QStringLiteral("События")), 1, 0);
    grid->addWidget(addRadio(Group::Place, "choicePlace", QStringLiteral("Место установки")), 2, 0);
    grid->addWidget(addRadio(Group::Reset, "choiceReset", QStringLiteral("Сброс")), 3, 0);
    m_place = new QLineEdit(box);
    m_place->setObjectName(QStringLiteral("newPlace"));
    m_place->setMaxLength(ops::kPlaceFieldBytes);
    grid->addWidget(m_place, 2, 1);

    m_read = new QPushButton(QStringLiteral("Чтение"), box);
    m_read->setObjectName(QStringLiteral("read"));
    m_write = new QPushButton(QStringLiteral("Зап./Вып."), box);
    m_write->setObjectName(QStringLiteral("write"));
    m_write->setStyleSheet(QStringLiteral("QPushButton#write { color: red; }"));
    m_write->setToolTip(QStringLiteral(
        "Запись даты/времени,тарифов,сезонов,признака разрешения/запрета перевода времени"));
    grid->addWidget(m_read, 0, 1);
    grid->addWidget(m_write, 1, 1);
    connect(m_read, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { readSelected(); }); });
    connect(m_write, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { writeSelected(); }); });
    return box;
}

QWidget* ExchangeGroup::buildPasswordRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Новый пароль (2 раза )"), row);
    label->setObjectName(QStringLiteral("newPasswordLabel"));
    m_newPassword = makePasswordEdit(QStringLiteral("newPassword"), row);
    m_newPassword2 = makePasswordEdit(QStringLiteral("newPasswordAgain"), row);
    label->setBuddy(m_newPassword);
    m_newPassword->setMaximumWidth(80);
    m_newPassword2->setMaximumWidth(80);
    auto* change = new QPushButton(QStringLiteral("Изменить пароль"), row);
    change->setObjectName(QStringLiteral("changePassword"));
    connect(change, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { changePassword(); }); });
    m_services.guard.addControl(change);
    layout->addWidget(label);
    layout->addWidget(m_newPassword);
    layout->addWidget(m_newPassword2);
    layout->addWidget(change);
    layout->addStretch(1);
    return row;
}

void ExchangeGroup::selectGroup(Group group) {
    const ButtonStates states = statesFor(group);
    m_services.guard.setControlEnabled(m_read, states.read);
    m_services.guard.setControlEnabled(m_write, states.write);
    m_speed->setEnabled(states.speed);
}

// The month cells go blank on every Read, the energy edits when the energy group runs.
void ExchangeGroup::chooseGroup(Group group) {
    m_groups.button(static_cast<int>(group))->setChecked(true);
    selectGroup(group);
}

void ExchangeGroup::readSelected() {
    const Group group = selectedGroup();
    beginRead(group);
    showRead(ops::readSelected(m_services.exchange, group,
                            {energyRequest(), m_services.tariffs}));
}

void ExchangeGroup::beginRead(Group group) {
    m_services.presenter.beginOperation();
    emit readStarting();
    if (group == Group::Energy) m_energy->blank();
}

void ExchangeGroup::blankReadings() {
    m_energy->blank();
    emit readStarting();
    m_events.fill({});
}

void ExchangeGroup::showRead(const ops::ReadOutcome& outcome) {
    if (outcome.energy) {
        m_energy->show(*outcome.energy);
        emit energyRead(*outcome.energy);
        if (outcome.energy->monthStatus)
            m_services.presenter.setStatus(0, *outcome.energy->monthStatus);
        if (!outcome.energy->unreadMonths.isEmpty())
            m_services.presenter.setStatus(0,
                                           ops::unreadMonthsText(outcome.energy->unreadMonths));
        m_services.presenter.show(*outcome.energy);
    }
    if (outcome.clock) showClock(*outcome.clock);
    if (outcome.tariffs) showTariffs(*outcome.tariffs);
    if (outcome.events) {
        storeJournals(*outcome.events);
        m_services.presenter.show(*outcome.events);
    }
}

// Seasons the read left out keep their maps and are named, and marked in the editor.
void ExchangeGroup::showTariffs(const tariff::TariffReadOutcome& outcome) {
    m_services.tariffs.schedule = outcome.schedule;
    m_services.tariffs.days = outcome.days;
    if (outcome.calendarRead)
        for (size_t i = 0; i < outcome.seasonsRead.size(); ++i)
            m_services.unreadSeasons[i] = !outcome.seasonsRead[i];
    m_services.presenter.show(outcome);
    if (outcome.calendarRead && !outcome.ok())
        m_services.presenter.setStatus(0, tariff::unreadSeasonsText(outcome));
}

// The pickers take what was read before the outcome is told: a bad date comes after the
// time has been set.
void ExchangeGroup::showClock(const ops::ClockOutcome& outcome) {
    m_clock->setDstAllowed(outcome.dst);
    if (outcome.time) m_clock->setTime(*outcome.time);
    if (outcome.date) m_clock->setDate(*outcome.date);
    if (outcome.weekday) m_clock->showDayName(*ops::dayName(*outcome.weekday));
    m_services.presenter.show(outcome);
}

void ExchangeGroup::storeJournals(const ops::EventsOutcome& outcome) {
    for (size_t j = 0; j < m_events.size(); ++j)
        if (outcome.journals[j]) m_events[j] = *outcome.journals[j];
}

void ExchangeGroup::writeSelected() {
    m_services.presenter.beginOperation();
    const ops::WriteInputs inputs{m_clock->time(), m_clock->date(),      m_clock->dstAllowed(),
                                  m_place->text(), m_speed->itemIndex(), m_services.tariffs};
    const auto outcome = ops::writeSelected(m_services.exchange, selectedGroup(), inputs);
    if (!outcome) return;
    m_services.presenter.show(*outcome);
    if (selectedGroup() != Group::Tariff) return;
    if (const QString unconfirmed = tariff::unconfirmedText(*outcome); !unconfirmed.isEmpty())
        m_services.presenter.setStatus(0, unconfirmed);
}

// Only with the clock selected; the day name stays as it was.
void ExchangeGroup::syncClock() {
    if (selectedGroup() != Group::Time) return;
    m_services.presenter.beginOperation();
    const QDateTime now = QDateTime::currentDateTime();
    m_clock->setDate(now.date());
    m_clock->setTime(now.time());
    m_services.presenter.show(ops::syncClock(m_services.exchange, now, m_clock->dstAllowed()));
}

void ExchangeGroup::changePassword() {
    m_services.presenter.beginPasswordChange();
    const link::Outcome outcome =
        link::ChangePassword(m_services.exchange, m_newPassword->text(), m_newPassword2->text());
    m_services.presenter.showPasswordChange(outcome, [this] { m_services.closeSession(); });
}

ops::EnergyRequest ExchangeGroup::energyRequest() const {
    const auto& identity = m_services.station.identity();
    return {m_energy->monthsWanted(),
            identity ? std::optional<int>(identity->model) : std::nullopt,
            station::monthKeeper(&m_services.archive, m_factory ? m_factory->value() : 0)};
}

Group ExchangeGroup::selectedGroup() const {
    return static_cast<Group>(m_groups.checkedId());
}

}  // namespace vilt::app
