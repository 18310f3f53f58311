#include "app/widgets/enter_key.h"

#include <QKeyEvent>
#include <QPushButton>

namespace vilt::app {

namespace {

class EnterPresses : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || !button->isEnabled()) return false;
        button->click();
        return true;
    }
};

}  // namespace

void letEnterPressButtons(QWidget& root) {
    auto* filter = new EnterPresses(&root);
    for (QPushButton* button : root.findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

}  // namespace vilt::app
