#include "app/profile_page.h"

#include <QCalendarWidget>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <cmath>

#include "app/browse_button.h"
#include "app/clock_text.h"
#include "app/string_grid.h"
#include "link/outcome_texts.h"
#include "ops/number_text.h"
#include "ops/profile_range.h"

namespace vilt::app {

namespace {

constexpr int kShownDigits = 6;
const QString kAllNumbers = QStringLiteral("Все №");
const QString kChartTitle = QStringLiteral("Суточный профиль мощности(кВт*час)");

}  // namespace

ProfilePage::ProfilePage(Services& services, std::function<qint64()> factory, QWidget* parent)
    : QWidget(parent), m_services(services), m_factory(std::move(factory)) {
    m_day = new QDateEdit(QDate::currentDate(), this);
    m_day->setObjectName(QStringLiteral("Date_sr"));
    m_day->setCalendarPopup(true);
    m_day->setDisplayFormat(kDateFormat);
    m_day->calendarWidget()->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_day->setAccessibleName(QStringLiteral("День среза"));
    auto* read = new QPushButton(QStringLiteral("Читать"), this);
    read->setObjectName(QStringLiteral("RdSr"));
    connect(read, &QPushButton::clicked, this,
            [this] { m_services.guard.operate([this] { RdSrClick(); }); });
    m_services.guard.addControl(read);

    m_numbers = new QComboBox(this);
    m_numbers->setObjectName(QStringLiteral("ComboBox_Z_N"));
    m_numbers->setEditable(true);
    m_numbers->setInsertPolicy(QComboBox::NoInsert);
    m_numbers->addItem(kAllNumbers);
    m_numbers->setCurrentIndex(0);
    m_numbers->setMinimumWidth(100);
    m_numbers->lineEdit()->setAccessibleName(QStringLiteral("№ счетчика"));
    auto* numberLabel = new QLabel(QStringLiteral("№ счетчика"), this);
    numberLabel->setBuddy(m_numbers);
    auto* back =
        browseButton(QStringLiteral("BitBtn4"), false, QStringLiteral("Предыдущий срез"), this);
    auto* forward =
        browseButton(QStringLiteral("BitBtn3"), true, QStringLiteral("Следующий срез"), this);
    connect(back, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { BitBtn4Click(); }); });
    connect(forward, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { BitBtn3Click(); }); });

    m_grid = new StringGrid(QStringLiteral("cutStringGrid"), 5, ops::kSlotCount + 1, this);
    m_grid->setHeadings({QStringLiteral("№"), QStringLiteral("Время"), QStringLiteral("Дата"),
                         QStringLiteral("А+, кВт*ч"), QStringLiteral("Статус")});
    m_grid->setColumnWidths({30, 62, 76, 70, 100});
    m_grid->setRowHeights(18);
    m_grid->setFixedWidth(30 + 62 + 76 + 70 + 100 + 24);

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_day);
    controls->addWidget(read);
    controls->addSpacing(16);
    controls->addWidget(numberLabel);
    controls->addWidget(m_numbers);
    controls->addWidget(back);
    controls->addWidget(forward);
    controls->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(m_grid);
    body->addWidget(buildChart(), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(body, 1);
}

// The chart's title stands at its left, above it; one red line, no legend.
QWidget* ProfilePage::buildChart() {
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("cutChart"));
    auto* title = new QLabel(kChartTitle, box);
    title->setObjectName(QStringLiteral("cutChartTitle"));
    auto* chart = new QChart;
    chart->legend()->hide();
    m_series = new QLineSeries(chart);
    m_series->setObjectName(QStringLiteral("Series1"));
    m_series->setPen(QPen(Qt::red, 2));
    m_series->setPointsVisible(false);
    chart->addSeries(m_series);
    auto* x = new QValueAxis(chart);
    x->setRange(0, ops::kSlotCount - 1);
    x->setLabelFormat(QStringLiteral("%d"));
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(6);
    auto* y = new QValueAxis(chart);
    y->setRange(0, 1);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    m_series->attachAxis(x);
    m_series->attachAxis(y);
    auto* view = new QChartView(chart, box);
    view->setObjectName(QStringLiteral("cutChartView"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setAccessibleName(kChartTitle);
    view->viewport()->setAccessibleName(kChartTitle);
    view->setMinimumSize(300, 200);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(view, 1);
    return box;
}

QString ProfilePage::filter() const {
    const QString text = m_numbers->currentText();
    return text == kAllNumbers ? QString() : text;
}

void ProfilePage::RdSrClick() {
    const QDate day = m_day->date();
    const qint64 factory = m_factory();
    m_services.presenter.beginOperation();
    showRead(ops::readProfileDay(m_services.exchange, day, factory, &m_services.archive));
}

// The panel first, then the grid with each slice's status, the chart, and last any word
// from the archive.
void ProfilePage::showRead(const ops::ProfileOutcome& outcome) {
    if (outcome.words) {
        std::array<double, ops::kSlotCount> values{};
        for (size_t k = 0; k < values.size(); ++k)
            values[k] = ops::countValue(ops::slotHundredths((*outcome.words)[k]));
        showSlots(outcome.day, values);
        for (int k = 0; k < ops::kSlotCount; ++k) {
            const bool complete = ops::slotComplete((*outcome.words)[size_t(k)]);
            m_grid->setCell(4, k + 1,
                            complete ? QStringLiteral("Ок") : QStringLiteral("Срез не целый"));
        }
    }
    m_services.presenter.show(outcome);
}

void ProfilePage::BitBtn3Click() {
    step(true);
}

void ProfilePage::BitBtn4Click() {
    step(false);
}

void ProfilePage::step(bool forward) {
    const auto row = m_services.archive.stepProfile(forward, filter());
    if (row) {
        showStored(*row);
    } else if (!m_services.archive.error().isEmpty()) {
        m_services.presenter.message(m_services.archive.error());
    }
}

// A stored row leaves the status column as it was: the archive keeps no flags.
void ProfilePage::showStored(const archive::ProfileRow& row) {
    m_services.presenter.setStatus(1, link::texts::kLocalNumber + QString::number(row.factory));
    m_day->setDate(row.day);
    std::array<double, ops::kSlotCount> values{};
    for (size_t k = 0; k < values.size(); ++k) values[k] = row.values[k].value_or(0);
    showSlots(row.day, values);
}

void ProfilePage::showSlots(const QDate& day, const std::array<double, ops::kSlotCount>& values) {
    QList<QPointF> points;
    double highest = 0;
    for (int k = 0; k < ops::kSlotCount; ++k) {
        const ops::SlotLabel label = ops::slotLabel(day, k);
        const double value = values[size_t(k)];
        m_grid->setCell(0, k + 1, QString::number(k));
        m_grid->setCell(1, k + 1, timeText(label.end));
        m_grid->setCell(2, k + 1, dateText(label.date));
        m_grid->setCell(3, k + 1, ops::generalText(value, kShownDigits));
        points << QPointF(k, value);
        highest = std::max(highest, value);
    }
    m_series->replace(points);
    const auto axes = m_series->attachedAxes();
    for (QAbstractAxis* axis : axes)
        if (axis->orientation() == Qt::Vertical)
            axis->setRange(0, std::max(1.0, std::ceil(highest)));
}

}  // namespace vilt::app
