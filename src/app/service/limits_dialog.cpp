#include "app/service/limits_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vilt::app {

namespace {

struct FlagBox {
    const char* name;
    const char* caption;  // the auxiliary boxes stand at the left of a control row
    bool auxiliary;
    uint8_t mask;
    int row;
};

// clang-format off
constexpr std::array<FlagBox, 14> kFlagBoxes = {{
    {"loadControl",  "Контроль нагрузка",            false, 0x80, 0},
    {"forcedOff",  "Принудительное Отключение ",   false, 0x40, 1},
    {"powerControl",  "Откл/Вкл Контроль мощности",   false, 0x20, 2},
    {"energyControl",  "Откл/Вкл Контроль энергии",    false, 0x10, 3},
    {"limitT1",  "Ограничение по Т1",            false, 0x08, 4},
    {"limitT2",  "Ограничение по Т2",            false, 0x04, 5},
    {"limitT3",  "Ограничение по Т3",            false, 0x02, 6},
    {"limitT4",  "Ограничение по Т4",            false, 0x01, 7},
    {"auxForcedOff", "",                             true,  0x40, 1},
    {"auxPowerControl",  "",                             true,  0x20, 2},
    {"auxLimitT1", "",                             true,  0x08, 4},
    {"auxLimitT2", "",                             true,  0x04, 5},
    {"auxLimitT3", "",                             true,  0x02, 6},
    {"auxLimitT4", "",                             true,  0x01, 7},
}};
// clang-format on

const QString kNotANumber = QStringLiteral("Введите число; Повторите ввод !  ");

QLineEdit* valueEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(90);
    return edit;
}

}  // namespace

LimitsDialog::LimitsDialog(Services& services, QWidget* parent)
    : QDialog(parent), m_services(services) {
    setObjectName(QStringLiteral("limitsDialog"));
    setWindowTitle(QStringLiteral("Ограничения"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("closeLimits"));
    auto* read = new QPushButton(QStringLiteral("Прочитать"), this);
    read->setObjectName(QStringLiteral("readLimits"));
    auto* top = new QHBoxLayout;
    top->addWidget(cancel);
    top->addWidget(read);
    top->addStretch(1);
    layout->addLayout(top);
    connect(cancel, &QPushButton::clicked, this, [this] { closeDialog(); });
    connect(read, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { showNextDay(); }); });
    buildValues();
    buildFlags();
}

void LimitsDialog::buildValues() {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Ограничениче по мощностьи"), this), 0, 0, 1, 4);
    m_power = valueEdit(QStringLiteral("powerLimit"), this);
    m_power->setAccessibleName(QStringLiteral("Ограничение по мощности, кВт"));
    grid->addWidget(m_power, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("kВт"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Расход энергии по тарифам"), this), 2, 0, 1, 4);
    for (int t = 0; t < link::kTariffCount; ++t) {
        auto* edit = valueEdit(QStringLiteral("energyLimit%1").arg(t + 1), this);
        auto* label = new QLabel(QStringLiteral("Тарифу %1").arg(t + 1), this);
        label->setBuddy(edit);
        edit->setAccessibleName(QStringLiteral("Энергия по тарифу %1, кВт*ч").arg(t + 1));
        const int row = 3 + t / 2;
        const int column = (t % 2) * 3;
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(QStringLiteral("kВт*ч"), this), row, column + 2);
        m_energy[size_t(t)] = edit;
    }
    auto* write = new QPushButton(QStringLiteral("Установить"), this);
    write->setObjectName(QStringLiteral("writeLimits"));
    connect(write, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { loadFromFile(); }); });
    grid->addWidget(write, 5, 0, 1, 2);
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void LimitsDialog::buildFlags() {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Флаги"), this), 0, 0, 1, 2);
    for (size_t i = 0; i < kFlagBoxes.size(); ++i) {
        const FlagBox& look = kFlagBoxes[i];
        auto* box = new QCheckBox(QString::fromUtf8(look.caption), this);
        box->setObjectName(QLatin1String(look.name));
        if (look.auxiliary)
            box->setAccessibleName(QStringLiteral("Дополнительный флаг: ") +
                                   QString::fromUtf8(kFlagBoxes[size_t(look.row)].caption));
        grid->addWidget(box, look.row + 1, look.auxiliary ? 0 : 1);
        m_boxes[i] = box;
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void LimitsDialog::clearFlags() {
    for (QCheckBox* box : m_boxes) box->setChecked(false);
}

void LimitsDialog::openLimits() {
    clearFlags();
    m_power->clear();
    for (QLineEdit* edit : m_energy) edit->clear();
    readIntoDialog();
}

// Boxes of clear bits are left as they are: the callers cleared them.
void LimitsDialog::readIntoDialog() {
    m_values = {};
    const limits::LimitsOutcome outcome = limits::readLimits(m_services.exchange);
    m_values = outcome.limits;
    for (size_t i = 0; i < kFlagBoxes.size(); ++i) {
        const uint8_t byte = kFlagBoxes[i].auxiliary ? m_values.aux : m_values.flags;
        if (byte & kFlagBoxes[i].mask) m_boxes[i]->setChecked(true);
    }
    showLimits();
    m_services.presenter.show(outcome);
}

void LimitsDialog::showLimits() {
    const QLocale locale;
    m_power->setText(limits::shown(m_values.power, locale));
    for (size_t t = 0; t < m_energy.size(); ++t)
        m_energy[t]->setText(limits::shown(m_values.energy[t], locale));
}

void LimitsDialog::showNextDay() {
    clearFlags();
    readIntoDialog();
}

// Values convert in order; one that is not a number, or does not fit its field, stops the
// write with the values before it already taken.
void LimitsDialog::loadFromFile() {
    const QLocale locale;
    const auto power = limits::hundredths(m_power->text(), locale, limits::kLargestPower);
    if (!power) {
        m_services.presenter.message(kNotANumber);
        return;
    }
    m_values.power = *power;
    for (size_t t = 0; t < m_energy.size(); ++t) {
        const auto energy = limits::hundredths(m_energy[t]->text(), locale, limits::kLargestEnergy);
        if (!energy) {
            m_services.presenter.message(kNotANumber);
            return;
        }
        m_values.energy[t] = *energy;
    }
    m_values.flags = flagByte(false);
    m_values.aux = flagByte(true);
    const link::Outcome outcome = limits::writeLimits(m_services.exchange, m_values);
    // The session's panel would cover NoLink, the lowest of all: the failure must be seen.
    if (!outcome.ok()) m_services.presenter.beginOperation();
    m_services.presenter.show(outcome);
}

uint8_t LimitsDialog::flagByte(bool auxiliary) const {
    uint8_t byte = 0;
    for (size_t i = 0; i < kFlagBoxes.size(); ++i)
        if (kFlagBoxes[i].auxiliary == auxiliary && m_boxes[i]->isChecked())
            byte |= kFlagBoxes[i].mask;
    return byte;
}

void LimitsDialog::closeDialog() {
    close();
}

}  // namespace vilt::app
