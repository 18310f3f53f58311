#pragma once
// A framed group of radio buttons with an item index, as the connection and exchange
// groups use it.

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace vilt::app {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
               QWidget* parent = nullptr);

    int itemIndex() const { return m_buttons.checkedId(); }
    void setItemIndex(int index);

  signals:
    void itemIndexChanged(int index);

  private:
    QButtonGroup m_buttons;
};

}  // namespace vilt::app
