#pragma once
// The factory-number field: 0 … 16777215. A larger number can be typed in full and is
// brought into range when the field loses focus, rather than losing its last digit.

#include <QSpinBox>

namespace vilt::app {

class FactoryNumberBox : public QSpinBox {
    Q_OBJECT
  public:
    explicit FactoryNumberBox(QWidget* parent = nullptr);

  protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
};

}  // namespace vilt::app
