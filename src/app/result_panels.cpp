#include "result_panels.h"

namespace vilt::app {

namespace {

enum class Colour { Red, Lime, Yellow };

struct PanelLook {
    const char* name;
    const char* caption;
    Colour colour;
};

// In covering order; the first five have a border.
constexpr std::array<PanelLook, link::kPanelCount> kPanels = {{
    {"Net_cv", "Нет связи !!!", Colour::Red},
    {"Cv_ok", "Связь Ок !!!", Colour::Lime},
    {"Cv_ok_rd", "Связь Ок !!! Возможно чтение по RS 485", Colour::Lime},
    {"Cv_ok_rd_wr", "Связь Ок !!! Возможно чтение и запись по RS 485", Colour::Lime},
    {"No_pass", "Пароль не верен !", Colour::Red},
    {"Ok_rtar", "Ок!!! Чтение тарифного расписания.", Colour::Lime},
    {"Ok_are", "Ок!!! Чтение энергии по тарифам", Colour::Lime},
    {"Ok_wrplase", "Ок!!! Запись места установки.", Colour::Lime},
    {"Ok_reset", "Ок!!! Сброс.", Colour::Lime},
    {"Ok_wrtar", "Ок!!! Запись тарифного расписания.", Colour::Lime},
    {"Ok_rdtime", "Ок!!! Чтение Время-Дата.", Colour::Lime},
    {"Ok_stime", "Ок!!! Синхронизация Время-Дата.", Colour::Lime},
    {"Ok_wrtime", "Ок!!! Запись Время-Дата.", Colour::Lime},
    {"Ok_rdevent", "Ок!!!Чтение События", Colour::Lime},
    {"Ok_s_512", "Ok!!! 512 Гц", Colour::Lime},
    {"Ok_rd_kalib", "Ок!!! Чтение байта калибровки", Colour::Lime},
    {"Ok_wr_kalib", "Ок!!! Запись байта калибровки", Colour::Lime},
    {"Ok_wr_serNum", "Ок!!!Запись серийного номера", Colour::Lime},
    {"Ok_rd_sr30", "Ok! Чтение срезов", Colour::Lime},
    {"Net_sr", "Срезы отсутствуют!", Colour::Yellow},
    {"Ok_Sk", "Ок! Скорость изменена", Colour::Lime},
    {"Ok_wr_password", "Пароль изменен! Установи связь заново!", Colour::Lime},
}};

constexpr int kBorderedPanels = 5;

QString styleFor(Colour colour, bool bordered) {
    const char* background = colour == Colour::Red    ? "#ff0000"
                             : colour == Colour::Lime ? "#00ff00"
                                                      : "#ffff00";
    return QStringLiteral("QLabel { background: %1; color: black; font-weight: bold; %2 }")
        .arg(QLatin1String(background),
             bordered ? QStringLiteral("border: 1px solid #404040;") : QString());
}

}  // namespace

ResultPanels::ResultPanels(QWidget* parent, const QRect& geometry) {
    for (size_t i = 0; i < kPanels.size(); ++i) {
        auto* label = new QLabel(QString::fromUtf8(kPanels[i].caption), parent);
        label->setObjectName(QLatin1String(kPanels[i].name));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(geometry);
        label->setStyleSheet(styleFor(kPanels[i].colour, i < kBorderedPanels));
        label->raise();  // each later panel lies above the earlier ones
        label->hide();
        m_labels[i] = label;
    }
}

void ResultPanels::setVisible(link::Panel panel, bool visible) {
    label(panel)->setVisible(visible);
}

bool ResultPanels::isVisible(link::Panel panel) const {
    return !label(panel)->isHidden();
}

void ResultPanels::hideAll() {
    for (QLabel* label : m_labels) label->hide();
}

}  // namespace vilt::app
