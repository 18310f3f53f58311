#include "app/accessible_names.h"

#include <QAbstractButton>
#include <QWidget>
#include <array>
#include <utility>

namespace vilt::app {

namespace {

// Controls whose label is not their own text: a label beside them, the caption of the group
// they sit in, or nothing but a placeholder.
constexpr std::array<std::pair<const char*, const char*>, 18> kNames = {{
    {"PageControl1", "Страницы"},
    {"Zav_n", "Заводской номер"},
    {"Password", "Пароль"},
    {"ComboBox1", "Порт"},
    {"ComboBox2", "Скорость связи"},
    {"TimeOut", "Задержка"},
    {"Fl_time", "Время и дата"},
    {"Fl_ene", "Энергия по тарифам"},
    {"Fl_skor", "Скорость"},
    {"Place_e", "Место установки"},
    {"New_Password", "Новый пароль"},
    {"New_Password2", "Новый пароль, повтор"},
    {"Date_a", "Дата"},
    {"Time_a", "Время"},
    {"ProgressBar1", "Ход обмена"},
    {"Panel73", "Часы компьютера"},
    {"StringGridEvents", "События"},
    {"EventGroup", "Событие"},
}};

}  // namespace

void nameControls(QWidget& form) {
    for (const auto& [object, name] : kNames)
        if (auto* widget = form.findChild<QWidget*>(QLatin1String(object)))
            widget->setAccessibleName(QString::fromUtf8(name));
    // A button that shows only a picture is named by its hint.
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>())
        if (button->text().isEmpty() && button->accessibleName().isEmpty())
            button->setAccessibleName(button->toolTip());
}

}  // namespace vilt::app
