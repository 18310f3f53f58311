#include "exchange_group.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "caption_radio.h"
#include "clock_group.h"
#include "connection_page.h"
#include "link_settings.h"
#include "password_edit.h"
#include "place_reset.h"
#include "radio_group.h"
#include "tform1.h"

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

ExchangeGroup::ExchangeGroup(TForm1& form, ops::EventTab& events, QWidget* parent)
    : QGroupBox(QStringLiteral(" Обмен со счетчиком"), parent),
      FormDisplay(form),
      m_form(form),
      m_operations(form.exchange(), *this, events) {
    setObjectName(QStringLiteral("O_count"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(2);

    m_clock = new ClockGroup(this);
    grid->addWidget(withCaptionRadio(m_clock, addRadio(Group::Time, "Fl_time")), 0, 0);
    auto* energy = new QGroupBox(QStringLiteral("       Энергия по тарифам"), this);
    energy->setObjectName(QStringLiteral("GroupBoxEnergy"));
    grid->addWidget(withCaptionRadio(energy, addRadio(Group::Energy, "Fl_ene")), 0, 1);
    grid->addWidget(buildSelection(), 1, 0);
    m_speed = new RadioGroup(QStringLiteral("Skor"), QStringLiteral("       Скорость"),
                             {"2400", "4800", "9600"}, this);
    m_speed->setItemIndex(0);
    m_speed->setEnabled(false);
    grid->addWidget(withCaptionRadio(m_speed, addRadio(Group::Speed, "Fl_skor")), 1, 1);
    grid->addWidget(buildPasswordRow(), 2, 0, 1, 2);

    const std::array<const char*, 4> batchNames = {"Fl_time_c", "Fl_ene_c", "Fl_tar_c",
                                                   "Fl_event_c"};
    for (size_t i = 0; i < m_batch.size(); ++i) {
        m_batch[i] = new QCheckBox(this);
        m_batch[i]->setObjectName(QLatin1String(batchNames[i]));
        m_batch[i]->hide();
    }
    m_groups.button(static_cast<int>(Group::Time))->setChecked(true);
    connect(&m_groups, &QButtonGroup::idClicked, this,
            [this](int id) { m_form.handle([&] { selectGroup(static_cast<Group>(id)); }); });
    connect(m_clock->syncButton(), &QPushButton::clicked, this,
            [this] { m_form.operate([this] { SinClick(); }); });
    for (QWidget* control : {static_cast<QWidget*>(m_read), static_cast<QWidget*>(m_write),
                             static_cast<QWidget*>(m_clock->syncButton())})
        m_form.addOperationControl(control);
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
    grid->addWidget(addRadio(Group::Tariff, "Fl_tar", QStringLiteral("Тарифное расписание")), 0, 0);
    grid->addWidget(addRadio(Group::Event, "Fl_event", QStringLiteral("События")), 1, 0);
    grid->addWidget(addRadio(Group::Place, "Fl_place", QStringLiteral("Место установки")), 2, 0);
    grid->addWidget(addRadio(Group::Reset, "Fl_reset", QStringLiteral("Сброс")), 3, 0);
    m_place = new QLineEdit(box);
    m_place->setObjectName(QStringLiteral("Place_e"));
    m_place->setMaxLength(ops::kPlaceFieldBytes);
    grid->addWidget(m_place, 2, 1);

    m_read = new QPushButton(QStringLiteral("Чтение"), box);
    m_read->setObjectName(QStringLiteral("Read"));
    m_write = new QPushButton(QStringLiteral("Зап./Вып."), box);
    m_write->setObjectName(QStringLiteral("WrCom"));
    m_write->setStyleSheet(QStringLiteral("QPushButton#WrCom { color: red; }"));
    m_write->setToolTip(QStringLiteral(
        "Запись даты/времени,тарифов,сезонов,признака разрешения/запрета перевода времени"));
    grid->addWidget(m_read, 0, 1);
    grid->addWidget(m_write, 1, 1);
    connect(m_read, &QPushButton::clicked, this,
            [this] { m_form.operate([this] { ReadClick(); }); });
    connect(m_write, &QPushButton::clicked, this,
            [this] { m_form.operate([this] { WrComClick(); }); });
    return box;
}

QWidget* ExchangeGroup::buildPasswordRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Новый пароль (2 раза )"), row);
    label->setObjectName(QStringLiteral("Label32"));
    m_newPassword = makePasswordEdit(QStringLiteral("New_Password"), row);
    m_newPassword2 = makePasswordEdit(QStringLiteral("New_Password2"), row);
    m_newPassword->setMaximumWidth(80);
    m_newPassword2->setMaximumWidth(80);
    auto* change = new QPushButton(QStringLiteral("Изменить пароль"), row);
    change->setObjectName(QStringLiteral("ChangePass"));
    connect(change, &QPushButton::clicked, this,
            [this] { m_form.operate([this] { ChangePassClick(); }); });
    m_form.addOperationControl(change);
    layout->addWidget(label);
    layout->addWidget(m_newPassword);
    layout->addWidget(m_newPassword2);
    layout->addWidget(change);
    layout->addStretch(1);
    return row;
}

void ExchangeGroup::selectGroup(Group group) {
    const ButtonStates states = statesFor(group);
    m_form.setControlEnabled(m_read, states.read);
    m_form.setControlEnabled(m_write, states.write);
    m_speed->setEnabled(states.speed);
}

void ExchangeGroup::ReadClick() {
    m_operations.ReadClick();
}
void ExchangeGroup::WrComClick() {
    m_operations.WrComClick();
}
void ExchangeGroup::SinClick() {
    m_operations.SinClick();
}

void ExchangeGroup::ChangePassClick() {
    link::ChangePassword(m_form.exchange(), *this, m_newPassword->text(), m_newPassword2->text(),
                         [this] { m_form.connection().OtklClick(); });
}

Group ExchangeGroup::selectedGroup() const {
    return static_cast<Group>(m_groups.checkedId());
}

ops::Batch ExchangeGroup::batch() const {
    return {m_batch[0]->isChecked(), m_batch[1]->isChecked(), m_batch[2]->isChecked(),
            m_batch[3]->isChecked()};
}

QTime ExchangeGroup::clockTime() const {
    return m_clock->time();
}
QDate ExchangeGroup::clockDate() const {
    return m_clock->date();
}
void ExchangeGroup::setClockTime(const QTime& time) {
    m_clock->setTime(time);
}
void ExchangeGroup::setClockDate(const QDate& date) {
    m_clock->setDate(date);
}
void ExchangeGroup::showDayName(const QString& name) {
    m_clock->showDayName(name);
}
bool ExchangeGroup::dstAllowed() const {
    return m_clock->dstAllowed();
}
void ExchangeGroup::setDstAllowed(bool allowed) {
    m_clock->setDstAllowed(allowed);
}
QString ExchangeGroup::placeText() const {
    return m_place->text();
}
int ExchangeGroup::speedIndex() const {
    return m_speed->itemIndex();
}
void ExchangeGroup::repaintWindow() {
    m_form.repaint();
}

}  // namespace vilt::app
