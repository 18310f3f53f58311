#include "app/tariff/tariff_page.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "tariff/tariff_file.h"

namespace vilt::app {

namespace {

constexpr int kCellWidth = 25;
constexpr int kCellHeight = 24;
const QString kFileFilter = QStringLiteral("Тарифы(*.tar);;(*.*)");
const QString kDataFolder = QStringLiteral("/Data");

QString colourName(uint32_t rgb) {
    return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0'));
}

// A cell or button in a tariff's colour; the keyboard's place shows as a thick frame.
void setColour(QPushButton* button, uint32_t rgb) {
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid "
                       "#808080; } QPushButton:focus { border: 2px solid black; }")
            .arg(colourName(rgb)));
}

QString startFolder() {
    return QDir(kDataFolder).exists() ? kDataFolder : QDir::currentPath();
}

}  // namespace

TariffPage::TariffPage(Services& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    auto* seasons = new QWidget(this);
    auto* seasonGrid = new QGridLayout(seasons);
    seasonGrid->setContentsMargins(0, 0, 0, 0);
    for (int n = 1; n <= tariff::kSeasonCount; ++n) {
        auto* radio = new QRadioButton(QStringLiteral("Сезон %1").arg(n), seasons);
        radio->setObjectName(QStringLiteral("season%1").arg(n));
        connect(radio, &QRadioButton::clicked, this,
                [this, n] { m_services.guard.handle([&] { seasonChosen(n); }); });
        seasonGrid->addWidget(radio, (n - 1) % 6, (n - 1) / 6);
        m_seasons[size_t(n - 1)] = radio;
    }
    m_seasons[0]->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(seasons, 0, Qt::AlignTop);
    top->addStretch(1);
    layout->addLayout(top);
    layout->addWidget(buildGrid());
    layout->addWidget(buildTariffRow());
    layout->addStretch(1);
}

// Three rows of 24 hour cells under the hours; cell N is slot N - 1 of the season shown.
QWidget* TariffPage::buildGrid() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);
    grid->addWidget(new QLabel(QStringLiteral("Время суток (час)"), box), 0, 1, 1, tariff::kHours,
                    Qt::AlignCenter);
    for (int hour = 0; hour < tariff::kHours; ++hour) {
        const QString text = hour == 0 ? QStringLiteral("0 ") : QString::number(hour);
        grid->addWidget(new QLabel(text, box), 1, hour + 1, Qt::AlignCenter);
    }
    for (int day = 0; day < tariff::kDayTypeCount; ++day) {
        const QString name = tariff::dayTypeName(tariff::DayType(day));
        grid->addWidget(new QLabel(name, box), day + 2, 0);
        for (int hour = 0; hour < tariff::kHours; ++hour) {
            const int number = day * tariff::kHours + hour + 1;
            auto* cell = new QPushButton(box);
            cell->setObjectName(QStringLiteral("hour%1").arg(number));
            cell->setFixedSize(kCellWidth, kCellHeight);
            cell->setAccessibleName(QStringLiteral("%1, %2 ч").arg(name).arg(hour));
            connect(cell, &QPushButton::clicked, this,
                    [this, number] { m_services.guard.handle([&] { hourClicked(number); }); });
            grid->addWidget(cell, day + 2, hour + 1);
            m_cells[size_t(number - 1)] = cell;
        }
    }
    return box;
}

// The tariff buttons, the active tariff, the clear button.
QWidget* TariffPage::buildTariffRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 0);
    const std::array<const char*, link::kTariffCount> names = {"tariff1", "tariff2", "tariff3",
                                                                 "tariff4"};
    for (int t = 0; t < link::kTariffCount; ++t) {
        auto* button = new QPushButton(tariff::tariffName(t), row);
        button->setObjectName(QLatin1String(names[size_t(t)]));
        button->setFixedSize(40, kCellHeight);
        setColour(button, *tariff::tariffColour(t));
        connect(button, &QPushButton::clicked, this,
                [this, t] { m_services.guard.handle([&] { selectTariff(t); }); });
        layout->addWidget(button);
    }
    layout->addSpacing(20);
    auto* label = new QLabel(QStringLiteral("Ввод тарифа"), row);
    m_currentTariffLabel = new QLabel(row);
    m_currentTariffLabel->setObjectName(QStringLiteral("currentTariff"));
    m_currentTariffButton = new QPushButton(row);
    m_currentTariffButton->setObjectName(QStringLiteral("activeTariff"));
    m_currentTariffButton->setFixedSize(kCellWidth, kCellHeight);
    label->setBuddy(m_currentTariffButton);
    connect(m_currentTariffButton, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { pickCurrentTariff(); }); });
    layout->addWidget(label);
    layout->addWidget(m_currentTariffLabel);
    layout->addWidget(m_currentTariffButton);
    layout->addSpacing(20);
    m_erase = new QPushButton(QStringLiteral("Очистить"), row);
    m_erase->setObjectName(QStringLiteral("clearSchedule"));
    m_erase->setStyleSheet(QStringLiteral("QPushButton#clearSchedule { color: blue; }"));
    m_erase->setToolTip(QStringLiteral("Установка одного сезона и одного тарифа Т1"));
    connect(m_erase, &QPushButton::clicked, this,
            [this] { m_services.guard.handle([this] { clearSchedule(); }); });
    layout->addWidget(m_erase);
    layout->addStretch(1);
    showActiveTariff();
    return row;
}

uint32_t TariffPage::tariffColor(int tariff) {
    if (const auto colour = tariff::tariffColour(tariff)) m_curColor = *colour;
    return m_curColor;
}

// A season a read left out says so beside its button, in red, until read or edited.
void TariffPage::showUnreadSeasons() {
    for (size_t i = 0; i < m_seasons.size(); ++i) {
        const bool unread = m_services.unreadSeasons[i];
        const QString caption = QStringLiteral("Сезон %1").arg(i + 1);
        m_seasons[i]->setText(unread ? caption + kUnreadMark : caption);
        m_seasons[i]->setStyleSheet(unread ? QStringLiteral("color: red;") : QString());
    }
}

void TariffPage::showSeason() {
    showUnreadSeasons();
    const auto& zones = m_services.tariffs.schedule[size_t(m_currentSeason - 1)].zones;
    for (int k = 0; k < tariff::kZoneSlotCount; ++k) paintCell(k + 1, tariffColor(zones[size_t(k)]));
    m_currentTariff = 0;
    m_curColor = *tariff::tariffColour(0);
    showActiveTariff();
}

void TariffPage::seasonChosen(int season) {
    m_currentSeason = season;
    showSeason();
}

void TariffPage::hourClicked(int number) {
    m_services.tariffs.schedule[size_t(m_currentSeason - 1)].zones[size_t(number - 1)] =
        static_cast<uint8_t>(m_currentTariff);
    if (std::exchange(m_services.unreadSeasons[size_t(m_currentSeason - 1)], false))
        showUnreadSeasons();
    paintCell(number, m_curColor);
}

void TariffPage::pickCurrentTariff() {
    m_currentTariff = (m_currentTariff + 1) % link::kTariffCount;
    m_curColor = *tariff::tariffColour(m_currentTariff);
    showActiveTariff();
}

// The active tariff set one below the wanted one, then stepped on: the wanted one at once.
void TariffPage::selectTariff(int tariff) {
    m_currentTariff = tariff - 1;
    pickCurrentTariff();
}

void TariffPage::clearSchedule() {
    m_curColor = *tariff::tariffColour(0);
    m_currentTariff = 0;
    m_services.tariffs.schedule = tariff::defaultSchedule();
    m_services.unreadSeasons.fill(false);
    m_currentSeason = 1;
    showSeason();
    m_seasons[0]->setChecked(true);
}

void TariffPage::pageOpened() {
    m_currentSeason = 1;
    m_seasons[0]->setChecked(true);
    showSeason();
}

void TariffPage::saveToFile() {
    const QString path = QFileDialog::getSaveFileName(this, QString(), startFolder(), kFileFilter);
    if (path.isEmpty()) return;
    saveTo(QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".tar") : path);
}

void TariffPage::loadFromFile() {
    const QString path = QFileDialog::getOpenFileName(this, QString(), startFolder(), kFileFilter);
    if (!path.isEmpty()) loadFrom(path);
}

// The list ends at its first empty record; what was saved is the list from now on.
bool TariffPage::saveTo(const QString& path) {
    tariff::TariffFile& state = m_services.tariffs;
    const QByteArray bytes = tariff::saveTariffFile(state.schedule, state.days);
    if (const auto error = tariff::writeTariffFileAtomically(path, bytes)) {
        m_services.presenter.message(*error);
        return false;
    }
    state.days.count = tariff::specDayListLength(state.days.records);
    return true;
}

// A file that cannot be read or is damaged changes nothing.
bool TariffPage::loadFrom(const QString& path) {
    const auto file = tariff::readTariffFile(path);
    if (const auto* error = std::get_if<QString>(&file)) {
        m_services.presenter.message(*error);
        return false;
    }
    m_services.tariffs = std::get<tariff::TariffFile>(file);
    m_services.unreadSeasons.fill(false);
    pageOpened();
    return true;
}

void TariffPage::paintCell(int number, uint32_t colour) {
    QPushButton* cell = m_cells[size_t(number - 1)];
    setColour(cell, colour);
    const int slot = number - 1;
    const auto& zones = m_services.tariffs.schedule[size_t(m_currentSeason - 1)].zones;
    cell->setAccessibleDescription(tariff::tariffName(zones[size_t(slot)]));
}

void TariffPage::showActiveTariff() {
    m_currentTariffLabel->setText(tariff::tariffName(m_currentTariff));
    setColour(m_currentTariffButton, m_curColor);
    m_currentTariffButton->setAccessibleName(QStringLiteral("Активный тариф ") + tariff::tariffName(m_currentTariff));
}

}  // namespace vilt::app
