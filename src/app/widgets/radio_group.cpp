#include "app/widgets/radio_group.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace vilt::app {

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       QWidget* parent)
    : QGroupBox(caption, parent) {
    setObjectName(objectName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("%1_%2").arg(objectName).arg(i));
        m_buttons.addButton(button, i);
        layout->addWidget(button);
    }
    connect(&m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) emit itemIndexChanged(id);
    });
}

void RadioGroup::setItemIndex(int index) {
    if (auto* button = m_buttons.button(index)) button->setChecked(true);
}

}  // namespace vilt::app
