#include "app/widgets/caption_radio.h"

#include <QVBoxLayout>

namespace vilt::app {

namespace {
constexpr int kCaptionIndent = 6;
}

QWidget* withCaptionRadio(QGroupBox* box, QRadioButton* radio) {
    auto* holder = new QWidget(box->parentWidget());
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    radio->setParent(holder);
    radio->setFixedSize(radio->sizeHint());
    radio->move(kCaptionIndent, -2);
    radio->raise();
    return holder;
}

}  // namespace vilt::app
