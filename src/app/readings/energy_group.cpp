#include "app/readings/energy_group.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/frame/csv_export.h"
#include "ops/number_text.h"
#include "sheet/sheets.h"

namespace vilt::app {

namespace {
const QString kBlankEdit = QString(11, QLatin1Char(' '));
constexpr int kEditWidth = 80;
}  // namespace

EnergyGroup::EnergyGroup(Presenter& presenter, QWidget* parent)
    : QGroupBox(QStringLiteral("       Энергия по тарифам"), parent) {
    setObjectName(QStringLiteral("energyGroup"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    // A tariff a row and a kind of energy a column: eight-digit counts fit beside the clock.
    const QStringList tariffs = {QStringLiteral("Т1"), QStringLiteral("Т2"), QStringLiteral(" Т3"),
                                 QStringLiteral("Т4"), QStringLiteral("Всего")};
    const std::array<std::pair<const char*, Row*>, 2> kinds = {
        {{"Актив", &m_active}, {"Реактив", &m_reactive}}};
    const std::array<const char*, 2> prefixes = {"active", "reactive"};
    for (int t = 0; t < tariffs.size(); ++t)
        grid->addWidget(new QLabel(tariffs[t], this), t + 1, 0);
    for (size_t k = 0; k < kinds.size(); ++k) {
        const QString kind = QString::fromUtf8(kinds[k].first);
        grid->addWidget(new QLabel(kind, this), 0, int(k) + 1, Qt::AlignCenter);
        Row& row = *kinds[k].second;
        for (size_t t = 0; t < row.size(); ++t) {
            row[t] = new QLineEdit(this);
            const QString suffix =
                t < link::kTariffCount ? QStringLiteral("T%1").arg(t + 1) : QStringLiteral("Total");
            row[t]->setObjectName(QLatin1String(prefixes[k]) + suffix);
            row[t]->setAccessibleName(QStringLiteral("%1 %2").arg(kind, tariffs[int(t)].trimmed()));
            row[t]->setFixedWidth(kEditWidth);
            row[t]->setReadOnly(k == 0);  // the reactive row is left editable, as it always was
            grid->addWidget(row[t], int(t) + 1, int(k) + 1);
        }
    }
    m_months = new QCheckBox(QStringLiteral("за 12 месяцев"), this);
    m_months->setObjectName(QStringLiteral("withMonths"));
    grid->addWidget(m_months, 6, 0, 1, 2);
    grid->addWidget(csvButton(QStringLiteral("energyCsv"), QStringLiteral("энергия.csv"), presenter,
                              [this] { return QList{sheet()}; }, this),
                    6, 2);
}

void EnergyGroup::blank() {
    for (Row* row : {&m_active, &m_reactive})
        for (QLineEdit* edit : *row) edit->setText(kBlankEdit);
    m_shown.reset();
}

void EnergyGroup::show(const ops::EnergyOutcome& outcome) {
    if (outcome.active) showRow(m_active, *outcome.active);
    if (outcome.reactive) showRow(m_reactive, *outcome.reactive);
    m_shown = outcome;
}

sheet::Sheet EnergyGroup::sheet() const {
    if (m_shown) return sheet::energySheet(*m_shown);
    return sheet::energySheet(ops::EnergyOutcome());
}

bool EnergyGroup::monthsWanted() const {
    return m_months->isChecked();
}

// Each value exactly, the total too: the sum of four counts needs more than 32 bits.
void EnergyGroup::showRow(const Row& row, const ops::Counts& counts) {
    for (size_t t = 0; t < counts.size(); ++t) row[t]->setText(ops::hundredthsText(counts[t]));
    row.back()->setText(ops::hundredthsText(ops::countTotal(counts)));
}

}  // namespace vilt::app
