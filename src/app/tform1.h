#pragma once
// The main window: pages, result panels, progress bar, clock and status bar, and the
// pieces every page shares (the port, the exchange, the handler wrapper).

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "events.h"
#include "exchange.h"
#include "panels.h"
#include "tcomm.h"
#include "waiter.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

namespace vilt::app {

class ConnectionPage;
class JournalPage;
class ResultPanels;

class TForm1 : public QMainWindow, public link::Display {
    Q_OBJECT
  public:
    static constexpr int kConnectionPage = 2;
    static constexpr int kJournalPage = 3;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Display
    void setPanelVisible(link::Panel panel, bool visible) override;
    bool panelVisible(link::Panel panel) const override;
    void setStatus(int statusPanel, const QString& text) override;
    void message(const QString& text) override;
    void hideAllPanels();

    comm::TComm& Comm1() { return m_comm; }
    link::Exchange& exchange() { return m_exchange; }
    QString portName() const { return m_portName; }
    void setPortName(const QString& name) { m_portName = name; }

    // Runs a handler: an error thrown inside is shown in a message box, the window goes on.
    void handle(const std::function<void()>& body);
    // A handler that talks to the meter: the controls that start another operation are
    // disabled until it ends, whatever its outcome.
    void operate(const std::function<void()>& body);
    void addOperationControl(QWidget* control);
    // Enables or disables an operation control; while an operation runs the change takes
    // effect when it ends.
    void setControlEnabled(QWidget* control, bool enabled);
    ConnectionPage& connection() const { return *m_connection; }
    JournalPage& journal() const { return *m_journal; }
    ops::EventTab& events() { return m_events; }
    bool busy() const { return m_busy; }

    void PageControl1Change(int index);
    void Timer1Timer();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildPages();
    void buildBottom();
    void FormCreate();
    void FormClose();

    comm::TComm m_comm;
    link::SystemWaiter m_waiter;
    link::Exchange m_exchange{m_comm, m_waiter};
    QString m_portName;
    bool m_busy = false;
    bool m_closeRequested = false;
    QList<QWidget*> m_operationControls;
    QHash<QWidget*, bool> m_restore;  // operation controls' states while an operation runs
    ops::EventTab m_events{};

    QTabWidget* m_pages = nullptr;
    ConnectionPage* m_connection = nullptr;
    JournalPage* m_journal = nullptr;
    std::unique_ptr<ResultPanels> m_panels;
    QProgressBar* m_progress = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_date = nullptr;
    std::array<QLabel*, 3> m_status{};
    QPushButton* m_saveTariffs = nullptr;
    QPushButton* m_loadTariffs = nullptr;
    QTimer* m_clock = nullptr;
};

}  // namespace vilt::app
