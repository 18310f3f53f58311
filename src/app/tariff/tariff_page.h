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
    uint32_t DefColor(int tariff);
    // Every cell from the season shown; T1 active again.
    void OutSeazon();
    void SeazonClick(int season);  // 1-12
    void PanelClick(int number);   // 1-72
    void ActivTarClick();
    // The tariff buttons: tariff 0-3 active at once.
    void selectTariff(int tariff);
    void EraseBtnClick();
    // The page is opened: season 1, repainted.
    void pageOpened();

    // The tariff file, with its dialogs, and without them.
    void BitBtn1Click();
    void BitBtn2Click();
    bool saveTo(const QString& path);
    bool loadFrom(const QString& path);

    QPushButton* cancelButton() const { return m_erase; }
    int CurSeazon() const { return m_curSeazon; }
    int CurTar() const { return m_curTar; }

  private:
    void showUnreadSeasons();
    QWidget* buildGrid();
    QWidget* buildTariffRow();
    void paintCell(int number, uint32_t colour);
    void showActiveTariff();

    Services& m_services;
    std::array<QRadioButton*, tariff::kSeasonCount> m_seasons{};
    std::array<QPushButton*, tariff::kSlotCount> m_cells{};
    QLabel* m_labelTar = nullptr;
    QPushButton* m_activTar = nullptr;
    QPushButton* m_erase = nullptr;
    int m_curSeazon = 1;
    int m_curTar = 0;
    uint32_t m_curColor = 0x00FF00;
};

}  // namespace vilt::app
