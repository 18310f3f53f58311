#include "app/frame/result_panels.h"

#include "link/outcome_texts.h"

namespace vilt::app {

namespace {

enum class Colour { Red, Lime, Yellow };

struct PanelLook {
    const char* name;
    QString caption;
    Colour colour;
};

// In covering order; the first five have a border.
const std::array<PanelLook, kPanelCount>& panelLooks() {
    // clang-format off
    static const std::array<PanelLook, kPanelCount> kPanels = {{
    {"Net_cv", link::texts::kNoLink, Colour::Red},
    {"Cv_ok", QStringLiteral("Связь Ок !!!"), Colour::Lime},
    {"Cv_ok_rd", QStringLiteral("Связь Ок !!! Возможно чтение по RS 485"), Colour::Lime},
    {"Cv_ok_rd_wr", QStringLiteral("Связь Ок !!! Возможно чтение и запись по RS 485"), Colour::Lime},
    {"No_pass", QStringLiteral("Пароль не верен !"), Colour::Red},
    {"Ok_rtar", QStringLiteral("Ок!!! Чтение тарифного расписания."), Colour::Lime},
    {"Ok_are", QStringLiteral("Ок!!! Чтение энергии по тарифам"), Colour::Lime},
    {"Ok_wrplase", QStringLiteral("Ок!!! Запись места установки."), Colour::Lime},
    {"Ok_reset", QStringLiteral("Ок!!! Сброс."), Colour::Lime},
    {"Ok_wrtar", QStringLiteral("Ок!!! Запись тарифного расписания."), Colour::Lime},
    {"Ok_rdtime", QStringLiteral("Ок!!! Чтение Время-Дата."), Colour::Lime},
    {"Ok_stime", QStringLiteral("Ок!!! Синхронизация Время-Дата."), Colour::Lime},
    {"Ok_wrtime", QStringLiteral("Ок!!! Запись Время-Дата."), Colour::Lime},
    {"Ok_rdevent", QStringLiteral("Ок!!!Чтение События"), Colour::Lime},
    {"Ok_s_512", QStringLiteral("Ok!!! 512 Гц"), Colour::Lime},
    {"Ok_rd_kalib", QStringLiteral("Ок!!! Чтение байта калибровки"), Colour::Lime},
    {"Ok_wr_kalib", QStringLiteral("Ок!!! Запись байта калибровки"), Colour::Lime},
    {"Ok_wr_serNum", QStringLiteral("Ок!!!Запись серийного номера"), Colour::Lime},
    {"Ok_rd_sr30", QStringLiteral("Ok! Чтение срезов"), Colour::Lime},
    {"Net_sr", QStringLiteral("Срезы отсутствуют!"), Colour::Yellow},
    {"Ok_Sk", QStringLiteral("Ок! Скорость изменена"), Colour::Lime},
    {"Ok_wr_password", QStringLiteral("Пароль изменен! Установи связь заново!"), Colour::Lime},
    {"Stopped", QStringLiteral("Обмен остановлен"), Colour::Yellow},
    }};
    // clang-format on
    return kPanels;
}

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
    const auto& looks = panelLooks();
    for (size_t i = 0; i < looks.size(); ++i) {
        auto* label = new QLabel(looks[i].caption, parent);
        label->setObjectName(QLatin1String(looks[i].name));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(geometry);
        label->setStyleSheet(styleFor(looks[i].colour, i < kBorderedPanels));
        label->raise();  // each later panel lies above the earlier ones
        label->hide();
        m_labels[i] = label;
    }
}

void ResultPanels::setVisible(Panel panel, bool visible) {
    label(panel)->setVisible(visible);
}

void ResultPanels::hideAll() {
    for (QLabel* label : m_labels) label->hide();
}

}  // namespace vilt::app
