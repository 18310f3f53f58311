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
    {"noLink", link::texts::kNoLink, Colour::Red},
    {"connected", QStringLiteral("Связь Ок !!!"), Colour::Lime},
    {"connectedRead", QStringLiteral("Связь Ок !!! Возможно чтение по RS 485"), Colour::Lime},
    {"connectedReadWrite", QStringLiteral("Связь Ок !!! Возможно чтение и запись по RS 485"), Colour::Lime},
    {"wrongPassword", QStringLiteral("Пароль не верен !"), Colour::Red},
    {"tariffsRead", QStringLiteral("Ок!!! Чтение тарифного расписания."), Colour::Lime},
    {"energyRead", QStringLiteral("Ок!!! Чтение энергии по тарифам"), Colour::Lime},
    {"placeWritten", QStringLiteral("Ок!!! Запись места установки."), Colour::Lime},
    {"resetDone", QStringLiteral("Ок!!! Сброс."), Colour::Lime},
    {"tariffsWritten", QStringLiteral("Ок!!! Запись тарифного расписания."), Colour::Lime},
    {"clockRead", QStringLiteral("Ок!!! Чтение Время-Дата."), Colour::Lime},
    {"clockSynced", QStringLiteral("Ок!!! Синхронизация Время-Дата."), Colour::Lime},
    {"clockWritten", QStringLiteral("Ок!!! Запись Время-Дата."), Colour::Lime},
    {"eventsRead", QStringLiteral("Ок!!!Чтение События"), Colour::Lime},
    {"output512On", QStringLiteral("Ok!!! 512 Гц"), Colour::Lime},
    {"calibrationRead", QStringLiteral("Ок!!! Чтение байта калибровки"), Colour::Lime},
    {"calibrationWritten", QStringLiteral("Ок!!! Запись байта калибровки"), Colour::Lime},
    {"meterNumberWritten", QStringLiteral("Ок!!!Запись серийного номера"), Colour::Lime},
    {"profileRead", QStringLiteral("Ok! Чтение срезов"), Colour::Lime},
    {"noProfile", QStringLiteral("Срезы отсутствуют!"), Colour::Yellow},
    {"speedChanged", QStringLiteral("Ок! Скорость изменена"), Colour::Lime},
    {"passwordChanged", QStringLiteral("Пароль изменен! Установи связь заново!"), Colour::Lime},
    {"stopped", QStringLiteral("Обмен остановлен"), Colour::Yellow},
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
