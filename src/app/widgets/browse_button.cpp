#include "app/widgets/browse_button.h"

#include <QPushButton>
#include <QStyle>

namespace vilt::app {

QPushButton* browseButton(const QString& name, bool forward, const QString& spoken,
                          QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(
        parent->style()->standardIcon(forward ? QStyle::SP_ArrowRight : QStyle::SP_ArrowLeft));
    button->setAccessibleName(spoken);
    button->setToolTip(spoken);
    return button;
}

}  // namespace vilt::app
