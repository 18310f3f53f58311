#pragma once
// "Сезоны и тарифы": the tariff schedule of one season at a time, painted hour by hour with
// the active tariff, and the tariff file.

#include <QWidget>
#include <array>

#include "app/frame/services.h"
#include "tariff/model.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace vilt::app {

// Beside a season's caption while a read has left it out.
inline const QString kUnreadMark = QStringLiteral(" (не прочитан)");

class TariffPage : public QWidget {
    Q_OBJECT
  public:
    explicit TariffPage(Services& services, QWidget* parent = nullptr);

    // The paint colour for a slot value (0xRRGGBB); a value outside 0-3 leaves it as it was.
    uint32_t tariffColor(int tariff);
    // Every cell from the season shown; T1 active again.
    void showSeason();
    void seasonChosen(int season);  // 1-12
    void hourClicked(int number);   // 1-72
    void pickCurrentTariff();
    // The tariff buttons: tariff 0-3 active at once.
    void selectTariff(int tariff);
    void clearSchedule();
    // The page is opened: season 1, repainted.
    void pageOpened();

    // The tariff file, with its dialogs, and without them.
    void saveToFile();
    void loadFromFile();
    bool saveTo(const QString& path);
    bool loadFrom(const QString& path);

    QPushButton* cancelButton() const { return m_erase; }
    int currentSeason() const { return m_currentSeason; }
    int currentTariff() const { return m_currentTariff; }

  private:
    void showUnreadSeasons();
    QWidget* buildGrid();
    QWidget* buildTariffRow();
    void paintCell(int number, uint32_t colour);
    void showActiveTariff();

    Services& m_services;
    std::array<QRadioButton*, tariff::kSeasonCount> m_seasons{};
    std::array<QPushButton*, tariff::kZoneSlotCount> m_cells{};
    QLabel* m_currentTariffLabel = nullptr;
    QPushButton* m_currentTariffButton = nullptr;
    QPushButton* m_erase = nullptr;
    int m_currentSeason = 1;
    int m_currentTariff = 0;
    uint32_t m_curColor = 0x00FF00;
};

}  // namespace vilt::app
