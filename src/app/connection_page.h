#pragma once
// The connection page: port, speed, access mode, factory number and password, the
// connect and disconnect buttons and what the identified meter says about itself.

#include <QWidget>

#include "form_display.h"
#include "operations.h"
#include "session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vilt::app {

class ExchangeGroup;
class RadioGroup;
class TForm1;

class ConnectionPage : public QWidget, public link::SessionView, private FormDisplay {
    Q_OBJECT
  public:
    ConnectionPage(TForm1& form, ops::EventTab& events, QWidget* parent = nullptr);

    void VklClick();
    void OtklClick();
    void Zav_nChange();
    void PasswordChange();
    void ComboBox1Change(int index);

    // Start-up: the ports that opened, each with its device as the tooltip.
    void setPorts(const QStringList& names);

    ExchangeGroup& exchangeGroup() const { return *m_exchange; }

    // SessionView
    int accessMode() const override;
    uint32_t factoryNumber() const override;
    void setFactoryNumber(uint32_t number) override;
    QString passwordText() const override;
    void setInfo(const QString& place, const QString& model, const QString& version) override;
    void setConnectShown(bool shown) override;
    void enableOperations() override;
    void repaintWindow() override;

  private:
    QWidget* buildSessionGroup();
    QWidget* buildInfoGroup();
    QWidget* buildSessionColumn();

    TForm1& m_form;
    link::Session m_session;
    RadioGroup* m_mode = nullptr;
    QSpinBox* m_factory = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_port = nullptr;
    QComboBox* m_speed = nullptr;
    QSpinBox* m_timeOut = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QLabel* m_place = nullptr;
    QLabel* m_model = nullptr;
    QLabel* m_version = nullptr;
    ExchangeGroup* m_exchange = nullptr;
};

}  // namespace vilt::app
