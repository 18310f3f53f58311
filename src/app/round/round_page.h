#pragma once
// The page «Обход»: the meters of a round file, visited as the command line's round visits
// them, on a thread of the page's own; a row per line of the file fills in as each meter's
// visit ends. The window stays usable meanwhile; the readings and the record of each visit
// go to the window's archive.

#include <QHash>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/frame/services.h"
#include "station/meter_result.h"
#include "station/round_file.h"
#include "station/settings.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vilt::app {

class RoundRelay;

class RoundPage : public QWidget {
    Q_OBJECT
  public:
    // settings: the connection page's fields, whose speed, wait and fast exchange the
    // round's meters take.
    RoundPage(Services& services, std::function<station::Settings()> settings,
              QWidget* parent = nullptr);
    ~RoundPage() override;

    // «Открыть…» without the dialog: the file's meters as rows, malformed lines failed.
    void openFile(const QString& path);
    void start();
    // «Общий обход»: the round the team shares on the archive's server, this station's lines
    // the window's port (as its modem) and the direct ports the server names for it.
    void startShared();
    // «Стоп»: the visits under way end at their next wait, the meters not begun are left.
    void stop();
    // The window closing: the round stopped and its thread joined.
    void finish();
    bool running() const { return m_thread.joinable(); }
    // Whether the window holds its port: the round waits until it does not.
    void followLine(bool windowPortOpen);

    // Where «Открыть…» asks for the file: the open dialog, or (in tests) a function that
    // returns the chosen path (empty: cancelled). Empty: the dialog again.
    using OpenPathFunction = std::function<QString()>;
    static void setOpenPathFunction(OpenPathFunction function);

  signals:
    void runningChanged(bool running);

  private:
    void buildButtons();
    void buildGrid();
    void showRow(int row);
    void setRunning(bool running);
    void launch(std::function<QString(RoundRelay* relay, const std::atomic<bool>* stop)> work);
    void clearRows();
    bool checkPort();
    void meterClaimed(qsizetype index, const station::RoundMeter& meter);
    void markFailed(qsizetype index, const QString& error);
    void meterStarting(qsizetype index);
    void meterFinished(qsizetype index, const station::MeterResult& result);
    void roundEnded(const QString& error);
    station::RoundSettings roundSettings() const;

    Services& m_services;
    std::function<station::Settings()> m_settings;
    QList<station::RoundMeter> m_meters;
    QHash<qsizetype, int> m_rowOf;          // each meter's row
    QList<station::MeterResult> m_results;  // a row each, the file's order
    QList<bool> m_started;                  // a row each: its visit under way
    int m_finished = 0;
    QStringList m_lineFailures;  // the lines of a shared round that could not go on
    bool m_portOpen = false;

    std::atomic<bool> m_stop{false};
    std::unique_ptr<RoundRelay> m_relay;
    std::thread m_thread;

    QPushButton* m_open = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_shared = nullptr;
    QLabel* m_file = nullptr;
    QProgressBar* m_progress = nullptr;
    QTableWidget* m_grid = nullptr;
};

}  // namespace vilt::app
