#include "app/connection_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedLayout>

#include "app/exchange_group.h"
#include "app/factory_number_box.h"
#include "app/modem_group.h"
#include "app/password_edit.h"
#include "app/radio_group.h"
#include "comm/port_map.h"
#include "link/outcome_texts.h"
#include "link/waiter.h"

namespace vilt::app {

namespace texts = link::texts;

namespace {

constexpr int kDefaultSpeed = 1;  // 2400
constexpr int kModemSpeed = 3;    // 9600, the speed the modem is set to
constexpr int kBatchTimeOut = 1000;
constexpr int kBatchPauseMs = 500;
constexpr int kHangUpPauseMs = 1000;

// A round lamp as the glyph of the connect and disconnect buttons.
QIcon lampIcon(const QColor& colour) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(160), 1.5));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2, 2, 14, 14));
    return QIcon(pixmap);
}

// A label tied to its field: a click or its mnemonic reaches the field, and a screen reader
// names the field by it.
QLabel* buddyLabel(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    return label;
}

QLabel* framedLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(kBlankLabel, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(120);
    return label;
}

}  // namespace

ConnectionPage::ConnectionPage(Services& services, ops::EventTab& events, QWidget* parent)
    : QWidget(parent), m_services(services) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildSessionColumn(), 0, Qt::AlignTop);
    m_exchange = new ExchangeGroup(services, events, this);
    m_exchange->setSessionFields(m_model, m_factory);
    layout->addWidget(m_exchange, 0, Qt::AlignTop);
    layout->addStretch(1);
    services.presenter.setSessionControls(
        {m_connect, m_disconnect, {m_place, m_model, m_version}, m_factory, m_mode, m_exchange});
}

QWidget* ConnectionPage::buildSessionColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildSessionGroup());
    m_modem = new ModemGroup(
        m_services,
        [this] {
            m_services.comm.SetDeviceName(m_portName);
            m_speed->setCurrentIndex(kModemSpeed);
        },
        column);
    layout->addWidget(m_modem);
    layout->addWidget(buildInfoGroup());
    m_limit = new QPushButton(QStringLiteral("Ограничения"), column);
    m_limit->setObjectName(QStringLiteral("Limit"));
    m_services.guard.addControl(m_limit);
    auto* batch = new QPushButton(QStringLiteral("Связь, Энергия, Время, События"), column);
    batch->setObjectName(QStringLiteral("Button3"));
    m_services.guard.addControl(batch);
    connect(batch, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { Button3Click(); }); });
    // The speed and the batch wait while a call is up or being made.
    connect(m_modem, &ModemGroup::idleChanged, this, [this, batch](bool idle) {
        m_services.guard.setControlEnabled(m_speed, idle);
        m_services.guard.setControlEnabled(batch, idle);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_limit);
    buttons->addWidget(batch);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return column;
}

QWidget* ConnectionPage::buildSessionGroup() {
    auto* group = new QGroupBox(QStringLiteral("Установка связи"), this);
    group->setObjectName(QStringLiteral("GroupBox2"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);

    m_mode = new RadioGroup(
        QStringLiteral("Tip_c"), QStringLiteral("Тип связи"),
        {QStringLiteral("Локальная"), QStringLiteral("По Зав.№"), QStringLiteral("Зав.№ и пароль")},
        group);
    m_mode->setItemIndex(link::kLocal);
    grid->addWidget(m_mode, 0, 0, 4, 1);

    m_factory = new FactoryNumberBox(group);
    m_factory->setObjectName(QStringLiteral("Zav_n"));
    // Two lines, never cut: the column and the row make room for the whole words.
    auto* factoryLabel = buddyLabel(QStringLiteral("Заводской\nномер"), m_factory, group);
    factoryLabel->setMinimumSize(factoryLabel->sizeHint());
    grid->addWidget(factoryLabel, 0, 1);
    grid->addWidget(m_factory, 0, 2);
    connect(m_factory, &QSpinBox::textChanged, this,
            [this] { m_services.guard.handle([this] { Zav_nChange(); }); });

    m_password = makePasswordEdit(QStringLiteral("Password"), group);
    grid->addWidget(buddyLabel(QStringLiteral("Пароль"), m_password, group), 1, 1);
    grid->addWidget(m_password, 1, 2);
    connect(m_password, &QLineEdit::textChanged, this,
            [this] { m_services.guard.handle([this] { PasswordChange(); }); });

    m_port = new QComboBox(group);
    m_port->setObjectName(QStringLiteral("ComboBox1"));
    m_port->setPlaceholderText(QStringLiteral("Порт"));
    grid->addWidget(m_port, 2, 1);
    connect(m_port, &QComboBox::activated, this,
            [this](int index) { m_services.guard.handle([&] { ComboBox1Change(index); }); });

    m_speed = new QComboBox(group);
    m_speed->setObjectName(QStringLiteral("ComboBox2"));
    m_speed->addItems({"1200", "2400", "4800", "9600"});
    m_speed->setCurrentIndex(kDefaultSpeed);
    grid->addWidget(m_speed, 2, 2);

    m_timeOut = new QSpinBox(group);
    m_timeOut->setObjectName(QStringLiteral("TimeOut"));
    m_timeOut->setRange(-999999, 999999);  // a negative wait counts as none
    m_timeOut->setSingleStep(50);
    m_timeOut->setValue(link::Exchange::kDefaultTimeOut);
    grid->addWidget(buddyLabel(QStringLiteral("Задержка"), m_timeOut, group), 3, 1);
    grid->addWidget(m_timeOut, 3, 2);
    connect(m_timeOut, &QSpinBox::valueChanged, this,
            [this](int ms) { m_services.exchange.setTimeOut(ms); });

    // Off by default: the full exchange cycle with its pacing is the meter's own.
    auto* fast = new QCheckBox(QStringLiteral("Быстрый обмен"), group);
    fast->setObjectName(QStringLiteral("FastExchange"));
    fast->setToolTip(QStringLiteral("Принимать ответ, как только он пришёл целиком"));
    grid->addWidget(fast, 4, 0);
    connect(fast, &QCheckBox::toggled, this, [this](bool on) { m_services.exchange.setFast(on); });

    m_connect = new QPushButton(lampIcon(Qt::green), QStringLiteral(" Связь"), group);
    m_connect->setObjectName(QStringLiteral("Vkl"));
    m_connect->setToolTip(QStringLiteral("Установить связь со счетчиком"));
    m_disconnect = new QPushButton(lampIcon(Qt::red), QStringLiteral(" Отключить"), group);
    m_disconnect->setObjectName(QStringLiteral("Otkl"));
    // The same place: one of them is shown, and the swap moves nothing around them.
    auto* place = new QWidget(group);
    auto* stack = new QStackedLayout(place);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(m_connect);
    stack->addWidget(m_disconnect);
    grid->addWidget(place, 4, 1, 1, 2);
    connect(m_connect, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { VklClick(); }); });
    connect(m_disconnect, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { OtklClick(); }); });
    for (QWidget* control : {static_cast<QWidget*>(m_connect), static_cast<QWidget*>(m_disconnect),
                             static_cast<QWidget*>(m_port), static_cast<QWidget*>(m_speed)})
        m_services.guard.addControl(control);
    return group;
}

QWidget* ConnectionPage::buildInfoGroup() {
    auto* group = new QGroupBox(QStringLiteral("Информация"), this);
    group->setObjectName(QStringLiteral("GroupBox3"));
    auto* grid = new QGridLayout(group);
    m_place = framedLabel(QStringLiteral("Label25"), group);
    m_model = framedLabel(QStringLiteral("Label26"), group);
    m_version = framedLabel(QStringLiteral("Label27"), group);
    const std::array<std::pair<const char*, QLabel*>, 3> rows = {
        {{"Место уст.", m_place}, {"Модель", m_model}, {"Версия ПО", m_version}}};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(new QLabel(QString::fromUtf8(rows[row].first), group), row, 0);
        grid->addWidget(rows[row].second, row, 1);
    }
    return group;
}

qint64 ConnectionPage::factoryNumber() const {
    return m_factory->value();
}

bool ConnectionPage::VklClick() {
    comm::TComm& comm = m_services.comm;
    comm.SetDeviceName(m_portName);
    if (const auto speed = comm::sessionSpeed(m_speed->currentIndex())) comm.SetBaudRate(*speed);
    comm.Open();
    if (!comm.Enabled()) {
        m_services.presenter.message(texts::kPortOpenFailed);
        return false;
    }
    m_services.exchange.setTimeOut(m_timeOut->value());
    m_services.presenter.beginSession();
    const link::SessionRequest request{
        m_mode->itemIndex(), static_cast<uint32_t>(m_factory->value()), m_password->text()};
    const link::SessionOutcome outcome = m_services.session.open(request);
    m_services.presenter.showSession(outcome);
    return outcome.result == 0 && !outcome.loginFailed;
}

// The dial-up batch: dial, a local session, energy, clock and journals, hang up. How each
// read ends does not change the course; a call that is not made ends it with nothing to
// hang up.
void ConnectionPage::Button3Click() {
    link::Waiter& waiter = m_services.exchange.waiter();
    m_timeOut->setValue(kBatchTimeOut);
    m_modem->Button1Click();
    if (m_modem->state() != link::ModemState::Connected) return;
    m_mode->setItemIndex(link::kLocal);
    waiter.sleep(kBatchPauseMs);
    if (!VklClick()) {
        OtklClick();
        m_modem->Button2Click();
        return;
    }
    waiter.processPendingMessages();
    waiter.sleep(kBatchPauseMs);
    const std::array<std::pair<ops::Group, const char*>, 3> reads = {
        {{ops::Group::Energy, "Чтения данных о показаниях энерги по тарифам"},
         {ops::Group::Time, "Чтение данных о времени и дате"},
         {ops::Group::Event, "Чтение событий счетчика"}}};
    for (const auto& [group, status] : reads) {
        m_exchange->chooseGroup(group);
        m_services.presenter.setStatus(0, QString::fromUtf8(status));
        m_exchange->ReadClick();
        waiter.processPendingMessages();
        waiter.sleep(kBatchPauseMs);
    }
    OtklClick();
    waiter.processPendingMessages();
    waiter.sleep(kHangUpPauseMs);
    m_modem->Button2Click();
}

void ConnectionPage::OtklClick() {
    m_services.closeSession();
}

void ConnectionPage::Zav_nChange() {
    m_mode->setItemIndex(link::kByFactoryNumber);
}

void ConnectionPage::PasswordChange() {
    m_mode->setItemIndex(link::kWithPassword);
}

void ConnectionPage::ComboBox1Change(int index) {
    if (index < 0) return;
    m_portName = m_port->itemText(index);
    m_services.comm.SetDeviceName(m_portName);
    m_services.comm.Close();
}

void ConnectionPage::setPorts(const QStringList& names) {
    m_port->clear();
    for (const QString& name : names) {
        m_port->addItem(name);
        m_port->setItemData(m_port->count() - 1, comm::devicePath(name), Qt::ToolTipRole);
    }
    m_port->setCurrentIndex(-1);
}

}  // namespace vilt::app
