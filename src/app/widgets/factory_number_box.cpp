#include "app/widgets/factory_number_box.h"

namespace vilt::app {

namespace {
constexpr int kLargest = 16777215;
constexpr qsizetype kMostDigits = 9;  // enough to type any 8-digit number and then some
}  // namespace

FactoryNumberBox::FactoryNumberBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, kLargest);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State FactoryNumberBox::validate(QString& text, int& pos) const {
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Invalid) return state;
    bool isNumber = false;
    text.toLongLong(&isNumber);
    const bool digits = isNumber && !text.startsWith('-') && !text.startsWith('+');
    return digits && text.size() <= kMostDigits ? QValidator::Intermediate : QValidator::Invalid;
}

void FactoryNumberBox::fixup(QString& text) const {
    bool isNumber = false;
    const qlonglong value = text.toLongLong(&isNumber);
    if (isNumber && value > kLargest) text = QString::number(kLargest);
    QSpinBox::fixup(text);
}

}  // namespace vilt::app
