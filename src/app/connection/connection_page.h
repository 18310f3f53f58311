#pragma once
// The connection page: port, speed, access mode, factory number and password, the
// connect and disconnect buttons and what the identified meter says about itself.

#include <QWidget>

#include "app/frame/services.h"
#include "ops/events.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QAction;
class QPushButton;
class QSpinBox;

namespace vilt::app {

class ExchangeGroup;
class ModemGroup;
class RadioGroup;

class ConnectionPage : public QWidget {
    Q_OBJECT
  public:
    ConnectionPage(Services& services, ops::Journals& events, QWidget* parent = nullptr);

    // True when the session was opened.
    bool connectMeter();
    void runBatch();
    void disconnectMeter();
    // The window closing: a call that is up is ended, the port closed.
    void leave();
    void factoryNumberEdited();
    void passwordEdited();
    void portChosen(int index);

    // Start-up: the ports that opened, each with its device as the tooltip.
    void setPorts(const QStringList& names);

    ExchangeGroup& exchangeGroup() const { return *m_exchange; }
    ModemGroup& modem() const { return *m_modem; }
    // The factory number a reading is stored under.
    qint64 factoryNumber() const;
    // The port the connect button opens.
    void setPortName(const QString& name) { m_portName = name; }
    QString portName() const { return m_portName; }
    // What the fields say, as the station takes it.
    station::Settings settings() const;
    // The access mode's radio group, which the batch sets to a local session.
    RadioGroup& mode() const { return *m_mode; }
    // The wait field: a dial sets it to the wait its call needs.
    void setWait(int ms);
    // The speed list shows the speed a dial set the port to.
    void showSpeed(comm::BaudRate speed);
    // «Ограничения»: the window opens the load-limits dialog from it.
    QPushButton* limitButton() const { return m_limit; }
    // «Отчёт…» offers the report as a PDF file or on the printer.
    QAction* reportToFile() const { return m_reportFile; }
    QAction* reportToPrinter() const { return m_reportPrint; }

  private:
    QWidget* buildSessionGroup();
    QWidget* buildInfoGroup();
    QWidget* buildSessionColumn();

    Services& m_services;
    QString m_portName;
    RadioGroup* m_mode = nullptr;
    QSpinBox* m_factory = nullptr;
    QLineEdit* m_password = nullptr;
    QComboBox* m_port = nullptr;
    QComboBox* m_speed = nullptr;
    QSpinBox* m_waitMs = nullptr;
    QCheckBox* m_fast = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_limit = nullptr;
    QPushButton* m_report = nullptr;
    QAction* m_reportFile = nullptr;
    QAction* m_reportPrint = nullptr;
    QLabel* m_place = nullptr;
    QLabel* m_model = nullptr;
    QLabel* m_version = nullptr;
    ExchangeGroup* m_exchange = nullptr;
    ModemGroup* m_modem = nullptr;
};

}  // namespace vilt::app
