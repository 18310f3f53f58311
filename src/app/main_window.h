#pragma once
// The main window: pages, result panels, progress bar, clock and status bar, and the
// pieces every page shares (the port, the exchange, the handler wrapper).

#include <QMainWindow>
#include <array>
#include <memory>

#include "app/frame/operation_guard.h"
#include "app/frame/services.h"
#include "archive/archive.h"
#include "comm/serial_line.h"
#include "ops/events.h"
#include "station/station.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

namespace vilt::app {

class ConnectionPage;
class JournalPage;
class MonthPage;
class ProfilePage;
class RoundPage;
class ServicePage;
class SpecialDaysPage;
class TariffPage;
class LimitsDialog;
class TrafficPage;
class Presenter;
class ResultPanels;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kTariffPage = 0;
    static constexpr int kSpecialDaysPage = 1;
    static constexpr int kConnectionPage = 2;
    static constexpr int kJournalPage = 3;
    static constexpr int kProfilePage = 5;
    static constexpr int kMonthPage = 6;

    // The archive file is opened (created when missing) first; a file that is not an archive
    // raises an error with the reason, and the window is not made.
    explicit MainWindow(QWidget* parent = nullptr, const QString& archivePath = archive::kDefaultFile);
    ~MainWindow() override;

    comm::SerialLine& line() { return m_station->line(); }
    ConnectionPage& connection() const { return *m_connection; }
    JournalPage& journal() const { return *m_journal; }
    TariffPage& tariffPage() const { return *m_tariffPage; }
    SpecialDaysPage& specialDays() const { return *m_specialDays; }
    LimitsDialog& limitsDialog() const { return *m_limitsDialog; }
    RoundPage& round() const { return *m_round; }
    void openLimits();

    // Ctrl+Shift+K: the calibration page joins the tab row.
    void revealServicePage();
    // Ctrl+T: the traffic page joins the end of the tab row and is shown, or leaves the row.
    void showTraffic(bool shown);

    void pageChanged(int index);
    void tickClock();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildStatus();
    void buildPages();
    void buildBottom();
    void buildStop(QWidget* client);
    void buildTrafficPage();
    void buildRoundPage();
    void buildPageKeys();
    void showPage(int index, bool shown);
    void stepPage(int step);
    void setUpAtStart();
    void EscapePressed();
    void closeDown();

    std::unique_ptr<archive::Archive> m_archive;
    std::unique_ptr<station::Station> m_station = station::Station::onSerialPort();
    OperationGuard m_guard{*this};
    ops::Journals m_events{};
    tariff::TariffFile m_tariffs{tariff::defaultSchedule(), {}};
    std::unique_ptr<ResultPanels> m_panels;
    std::unique_ptr<Presenter> m_presenter;
    std::unique_ptr<Services> m_services;

    QTabWidget* m_pages = nullptr;
    ConnectionPage* m_connection = nullptr;
    JournalPage* m_journal = nullptr;
    ProfilePage* m_profile = nullptr;
    TariffPage* m_tariffPage = nullptr;
    SpecialDaysPage* m_specialDays = nullptr;
    MonthPage* m_months = nullptr;
    ServicePage* m_service = nullptr;
    LimitsDialog* m_limitsDialog = nullptr;
    TrafficPage* m_trafficPage = nullptr;
    RoundPage* m_round = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_date = nullptr;
    std::array<QLabel*, 3> m_status{};
    QPushButton* m_saveTariffs = nullptr;
    QPushButton* m_loadTariffs = nullptr;
    QTimer* m_clock = nullptr;
};

}  // namespace vilt::app
