#include "app/widgets/accessible_names.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <array>
#include <utility>

namespace vilt::app {

namespace {

// Controls whose label is not their own text: a label beside them, the caption of the group
// they sit in, or nothing but a placeholder.
constexpr std::array<std::pair<const char*, const char*>, 22> kNames = {{
    {"pages", "Страницы"},
    {"factoryNumber", "Заводской номер"},
    {"password", "Пароль"},
    {"port", "Порт"},
    {"speed", "Скорость связи"},
    {"wait", "Задержка"},
    {"choiceClock", "Время и дата"},
    {"choiceEnergy", "Энергия по тарифам"},
    {"choiceSpeed", "Скорость"},
    {"newPlace", "Место установки"},
    {"newPassword", "Новый пароль"},
    {"newPasswordAgain", "Новый пароль, повтор"},
    {"meterDate", "Дата"},
    {"meterTime", "Время"},
    {"progress", "Ход обмена"},
    {"clockPanel", "Часы компьютера"},
    {"journalGrid", "События"},
    {"profileGrid", "Срезы"},
    {"monthGrid", "Показания за 12 месяцев"},
    {"specialDaysGrid", "Нестандартные дни"},
    {"storedNumbers", "№ счетчика"},
    {"journalChoice", "Событие"},
}};

// Qt announces a combo box on Linux by its value alone: «12345» says nothing of what the list
// is. A combo box with a name of its own is announced by it, its value as the value.
class NamedComboBox : public QAccessibleWidget {
  public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return widget()->accessibleName();
        if (t == QAccessible::Value) return value();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

  private:
    QString value() const {
        const auto* box = static_cast<QComboBox*>(widget());
        return box->isEditable() ? box->lineEdit()->text() : box->currentText();
    }
};

}  // namespace

void nameControls(QWidget& form) {
    for (const auto& [object, name] : kNames)
        if (auto* widget = form.findChild<QWidget*>(QLatin1String(object)))
            widget->setAccessibleName(QString::fromUtf8(name));
    // A button that shows only a picture is named by its hint.
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>())
        if (button->text().isEmpty() && button->accessibleName().isEmpty())
            button->setAccessibleName(button->toolTip());
    // In place of Qt's own, which may have been made already.
    for (QComboBox* box : form.findChildren<QComboBox*>()) {
        if (box->accessibleName().isEmpty()) continue;
        if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(box))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        QAccessible::registerAccessibleInterface(new NamedComboBox(box));
    }
}

}  // namespace vilt::app
