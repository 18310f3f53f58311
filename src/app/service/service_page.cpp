#include "app/service/service_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "service/service.h"

namespace vilt::app {

namespace {
const QString kPlus = QStringLiteral("+");
const QString kMinus = QStringLiteral("-");
const QString kRed = QStringLiteral("color: red;");
}  // namespace

ServicePage::ServicePage(Services& services, std::function<ops::Group()> selectedGroup,
                         QWidget* parent)
    : QWidget(parent), m_services(services), m_selectedGroup(std::move(selectedGroup)) {
    auto* grid = new QGridLayout(this);
    connect(addButton("output512", QStringLiteral("Вкл. 512 Гц"), false, 0), &QPushButton::clicked,
            this, [this] { m_services.guard.operate([this] { startOutput512(); }); });

    connect(addButton("readCalibration", QStringLiteral("Читать байт калибровки"), false, 1),
            &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { readCalibration(); }); });
    m_sign = new QLabel(this);
    m_sign->setObjectName(QStringLiteral("calibrationSignText"));
    m_read = new QLineEdit(this);
    m_read->setObjectName(QStringLiteral("calibrationByte"));
    m_read->setAccessibleName(QStringLiteral("Байт калибровки"));
    grid->addWidget(m_sign, 1, 2);
    grid->addWidget(m_read, 1, 3);

    connect(addButton("writeCalibration", QStringLiteral("Записать байт калибровки"), true, 2),
            &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { writeCalibration(); }); });
    // A toggle: pressed is minus, so that a screen reader tells the sign as the button's state.
    m_signButton = new QPushButton(kPlus, this);
    m_signButton->setObjectName(QStringLiteral("calibrationSign"));
    m_signButton->setStyleSheet(kRed);
    m_signButton->setCheckable(true);
    showSign(false);
    connect(m_signButton, &QPushButton::clicked, this, [this] { toggleSign(); });
    m_write = new QLineEdit(QStringLiteral("0"), this);
    m_write->setObjectName(QStringLiteral("calibrationToWrite"));
    m_write->setMaxLength(2);
    m_write->setAccessibleName(QStringLiteral("Записываемый байт калибровки"));
    grid->addWidget(m_signButton, 2, 2);
    grid->addWidget(m_write, 2, 3);

    connect(addButton("writeMeterNumber", QStringLiteral("Записать номер счетчика"), true, 3),
            &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { writeMeterNumber(); }); });
    m_serial = new QLineEdit(QStringLiteral("0"), this);
    m_serial->setObjectName(QStringLiteral("meterNumber"));
    // No length limit: a ninth digit typed or pasted stays, and the write refuses the number
    // with a message instead of cutting it.
    m_serial->setAccessibleName(QStringLiteral("Номер счетчика"));
    grid->addWidget(m_serial, 3, 3);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(4, 1);
}

// A caption-less button with its label beside it, as the page has them.
QPushButton* ServicePage::addButton(const char* name, const QString& label, bool red, int row) {
    auto* button = new QPushButton(this);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(label);
    button->setFixedSize(24, 24);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(button);
    if (red) caption->setStyleSheet(kRed);
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(button, row, 0);
    grid->addWidget(caption, row, 1);
    return button;
}

void ServicePage::startOutput512() {
    if (m_selectedGroup() != ops::Group::Time) return;
    m_services.presenter.beginOperation();
    m_services.presenter.show(service::switch512(m_services.exchange));
}

void ServicePage::readCalibration() {
    m_read->clear();
    if (m_selectedGroup() != ops::Group::Time) return;
    m_services.presenter.beginOperation();
    const service::CalibrationOutcome outcome = service::readCalibration(m_services.exchange);
    if (outcome.ok()) {
        m_sign->setText(outcome.calibration.minus ? kMinus : kPlus);
        m_read->setText(QString::number(outcome.calibration.value));
    }
    m_services.presenter.show(outcome);
}

void ServicePage::writeCalibration() {
    if (m_selectedGroup() != ops::Group::Time) return;
    m_services.presenter.beginOperation();
    m_services.presenter.show(service::writeCalibration(m_services.exchange, m_write->text(),
                                                        m_signButton->text() == kMinus));
}

void ServicePage::toggleSign() {
    showSign(m_signButton->text() == kPlus);
}

void ServicePage::showSign(bool minus) {
    m_signButton->setChecked(minus);
    m_signButton->setText(minus ? kMinus : kPlus);
    m_signButton->setAccessibleName(minus ? QStringLiteral("Знак калибровки: минус")
                                          : QStringLiteral("Знак калибровки: плюс"));
}

void ServicePage::writeMeterNumber() {
    if (m_selectedGroup() != ops::Group::Reset) return;
    m_services.presenter.beginOperation();
    m_services.presenter.show(service::writeSerialNumber(m_services.exchange, m_serial->text()));
}

void ServicePage::resetControls() {
    m_read->clear();
    m_sign->clear();
    m_write->setText(QStringLiteral("0"));
    m_serial->setText(QStringLiteral("0"));
    showSign(false);
}

}  // namespace vilt::app
