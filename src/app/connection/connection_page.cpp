#include "app/connection/connection_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedLayout>

#include "app/connection/batch_view.h"
#include "app/readings/energy_group.h"
#include "app/connection/exchange_group.h"
#include "app/widgets/factory_number_box.h"
#include "app/connection/modem_group.h"
#include "app/widgets/password_edit.h"
#include "app/widgets/radio_group.h"
#include "comm/port_map.h"
#include "link/outcome_texts.h"
#include "link/waiter.h"

namespace vilt::app {

namespace texts = link::texts;

namespace {

constexpr int kDefaultSpeed = 1;  // 2400

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

ConnectionPage::ConnectionPage(Services& services, ops::Journals& events, QWidget* parent)
    : QWidget(parent), m_services(services) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildSessionColumn(), 0, Qt::AlignTop);
    m_exchange = new ExchangeGroup(services, events, this);
    m_exchange->setFactoryField(m_factory);
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
    m_modem = new ModemGroup(m_services, [this] { return settings(); }, column);
    layout->addWidget(m_modem);
    connect(m_modem, &ModemGroup::dialled, this, [this](const dialup::DialOutcome& outcome) {
        setWait(station::throughCall(settings()).waitMs);
        if (outcome.portSet) showSpeed(comm::BaudRate::br9600);
    });
    layout->addWidget(buildInfoGroup());
    m_limit = new QPushButton(QStringLiteral("Ограничения"), column);
    m_limit->setObjectName(QStringLiteral("limits"));
    m_services.guard.addControl(m_limit);
    auto* batch = new QPushButton(QStringLiteral("Связь, Энергия, Время, События"), column);
    batch->setObjectName(QStringLiteral("batch"));
    m_services.guard.addControl(batch);
    connect(batch, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { runBatch(); }); });
    // The speed and the batch wait while a call is up or being made.
    connect(m_modem, &ModemGroup::idleChanged, this, [this, batch](bool idle) {
        m_services.guard.setControlEnabled(m_speed, idle);
        m_services.guard.setControlEnabled(batch, idle);
    });
    m_report = new QPushButton(QStringLiteral("Отчёт…"), column);
    m_report->setObjectName(QStringLiteral("report"));
    m_report->setToolTip(QStringLiteral("Прочитать счетчик и сохранить или напечатать отчёт"));
    auto* reportMenu = new QMenu(m_report);
    m_reportFile = reportMenu->addAction(QStringLiteral("Сохранить PDF…"));
    m_reportFile->setObjectName(QStringLiteral("reportSave"));
    m_reportPrint = reportMenu->addAction(QStringLiteral("Печать…"));
    m_reportPrint->setObjectName(QStringLiteral("reportPrint"));
    m_report->setMenu(reportMenu);
    m_services.guard.addControl(m_report);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_limit);
    buttons->addWidget(batch);
    buttons->addWidget(m_report);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return column;
}

QWidget* ConnectionPage::buildSessionGroup() {
    auto* group = new QGroupBox(QStringLiteral("Установка связи"), this);
    group->setObjectName(QStringLiteral("connectionGroup"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);

    m_mode = new RadioGroup(
        QStringLiteral("accessMode"), QStringLiteral("Тип связи"),
        {QStringLiteral("Локальная"), QStringLiteral("По Зав.№"), QStringLiteral("Зав.№ и пароль")},
        group);
    m_mode->setItemIndex(static_cast<int>(link::AccessMode::Local));
    grid->addWidget(m_mode, 0, 0, 4, 1);

    m_factory = new FactoryNumberBox(group);
    m_factory->setObjectName(QStringLiteral("factoryNumber"));
    // Two lines, never cut: the column and the row make room for the whole words.
    auto* factoryLabel = buddyLabel(QStringLiteral("Заводской\nномер"), m_factory, group);
    factoryLabel->setMinimumSize(factoryLabel->sizeHint());
    grid->addWidget(factoryLabel, 0, 1);
    grid->addWidget(m_factory, 0, 2);
    connect(m_factory, &QSpinBox::textChanged, this,
            [this] { m_services.guard.handle([this] { factoryNumberEdited(); }); });

    m_password = makePasswordEdit(QStringLiteral("password"), group);
    grid->addWidget(buddyLabel(QStringLiteral("Пароль"), m_password, group), 1, 1);
    grid->addWidget(m_password, 1, 2);
    connect(m_password, &QLineEdit::textChanged, this,
            [this] { m_services.guard.handle([this] { passwordEdited(); }); });

    m_port = new QComboBox(group);
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setPlaceholderText(QStringLiteral("Порт"));
    grid->addWidget(m_port, 2, 1);
    connect(m_port, &QComboBox::activated, this,
            [this](int index) { m_services.guard.handle([&] { portChosen(index); }); });

    m_speed = new QComboBox(group);
    m_speed->setObjectName(QStringLiteral("speed"));
    m_speed->addItems({"1200", "2400", "4800", "9600"});
    m_speed->setCurrentIndex(kDefaultSpeed);
    grid->addWidget(m_speed, 2, 2);

    m_waitMs = new QSpinBox(group);
    m_waitMs->setObjectName(QStringLiteral("wait"));
    m_waitMs->setRange(-999999, 999999);  // a negative wait counts as none
    m_waitMs->setSingleStep(50);
    m_waitMs->setValue(link::Exchange::kDefaultWaitMs);
    grid->addWidget(buddyLabel(QStringLiteral("Задержка"), m_waitMs, group), 3, 1);
    grid->addWidget(m_waitMs, 3, 2);
    // The wait and the fast exchange hold from the next exchange, in a session too.
    connect(m_waitMs, &QSpinBox::valueChanged, this,
            [this] { m_services.station.retune(settings()); });

    // Off by default: the full exchange cycle with its pacing is the meter's own.
    m_fast = new QCheckBox(QStringLiteral("Быстрый обмен"), group);
    m_fast->setObjectName(QStringLiteral("fastExchange"));
    m_fast->setToolTip(QStringLiteral("Принимать ответ, как только он пришёл целиком"));
    grid->addWidget(m_fast, 4, 0);
    connect(m_fast, &QCheckBox::toggled, this, [this] { m_services.station.retune(settings()); });

    m_connect = new QPushButton(lampIcon(Qt::green), QStringLiteral(" Связь"), group);
    m_connect->setObjectName(QStringLiteral("connect"));
    m_connect->setToolTip(QStringLiteral("Установить связь со счетчиком"));
    m_disconnect = new QPushButton(lampIcon(Qt::red), QStringLiteral(" Отключить"), group);
    m_disconnect->setObjectName(QStringLiteral("disconnect"));
    // The same place: one of them is shown, and the swap moves nothing around them.
    auto* place = new QWidget(group);
    auto* stack = new QStackedLayout(place);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(m_connect);
    stack->addWidget(m_disconnect);
    grid->addWidget(place, 4, 1, 1, 2);
    connect(m_connect, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { connectMeter(); }); });
    connect(m_disconnect, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { disconnectMeter(); }); });
    for (QWidget* control : {static_cast<QWidget*>(m_connect), static_cast<QWidget*>(m_disconnect),
                             static_cast<QWidget*>(m_port), static_cast<QWidget*>(m_speed)})
        m_services.guard.addControl(control);
    return group;
}

QWidget* ConnectionPage::buildInfoGroup() {
    auto* group = new QGroupBox(QStringLiteral("Информация"), this);
    group->setObjectName(QStringLiteral("information"));
    auto* grid = new QGridLayout(group);
    m_place = framedLabel(QStringLiteral("meterPlace"), group);
    m_model = framedLabel(QStringLiteral("meterModel"), group);
    m_version = framedLabel(QStringLiteral("meterVersion"), group);
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

station::Settings ConnectionPage::settings() const {
    station::Settings settings;
    settings.port = m_portName;
    // With no speed chosen the port keeps the one it has.
    settings.speed =
        comm::sessionSpeed(m_speed->currentIndex()).value_or(m_services.station.line().baudRate());
    settings.waitMs = m_waitMs->value();
    settings.fast = m_fast->isChecked();
    settings.access = static_cast<link::AccessMode>(std::max(m_mode->itemIndex(), 0));
    settings.factory = static_cast<uint32_t>(m_factory->value());
    settings.password = m_password->text();
    settings.phone = m_modem->number();
    return settings;
}

void ConnectionPage::setWait(int ms) {
    m_waitMs->setValue(ms);
}

void ConnectionPage::showSpeed(comm::BaudRate speed) {
    if (const auto index = comm::sessionSpeedIndex(speed)) m_speed->setCurrentIndex(*index);
}

bool ConnectionPage::connectMeter() {
    const link::SessionOutcome outcome =
        m_services.station.open(settings(), [this] { m_services.presenter.beginSession(); });
    if (outcome.portFailed) {
        for (const QString& message : outcome.messages) m_services.presenter.message(message);
        return false;
    }
    m_services.presenter.showSession(outcome);
    return outcome.ok() && !outcome.loginFailed;
}

// The dial-up batch: dial, a local session, energy, clock and journals, hang up, as one
// visit of the station; the batch view shows each step as it comes, and the visit is
// recorded in the archive.
void ConnectionPage::runBatch() {
    setWait(station::throughCall(settings()).waitMs);
    station::Plan plan;
    plan.dial = true;
    plan.months = m_exchange->energy().monthsWanted();
    plan.archive = &m_services.archive;
    BatchView view(m_services, *this);
    const station::VisitOutcome outcome = m_services.station.visit(plan, settings(), &view);
    view.finished(outcome);
    view.record(outcome, factoryNumber(), settings().phone);
}

void ConnectionPage::disconnectMeter() {
    m_services.closeSession();
}

void ConnectionPage::leave() {
    if (const auto hungUp = m_services.station.leave()) m_modem->showHangUp(*hungUp);
}

void ConnectionPage::factoryNumberEdited() {
    m_mode->setItemIndex(static_cast<int>(link::AccessMode::ByFactoryNumber));
}

void ConnectionPage::passwordEdited() {
    m_mode->setItemIndex(static_cast<int>(link::AccessMode::WithPassword));
}

void ConnectionPage::portChosen(int index) {
    if (index < 0) return;
    // Another port: the one open so far is let go; the next connect opens the new one.
    m_portName = m_port->itemText(index);
    m_services.station.line().Close();
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
