#include "app/main_window.h"

#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>

#include "app/widgets/accessible_names.h"
#include "app/connection/clock_group.h"
#include "app/widgets/clock_text.h"
#include "app/connection/connection_page.h"
#include "app/widgets/enter_key.h"
#include "app/connection/exchange_group.h"
#include "app/readings/journal_page.h"
#include "app/service/limits_dialog.h"
#include "app/connection/modem_group.h"
#include "app/readings/month_page.h"
#include "app/frame/presenter.h"
#include "app/readings/profile_page.h"
#include "app/frame/report_action.h"
#include "app/frame/result_panels.h"
#include "app/round/round_page.h"
#include "app/service/service_page.h"
#include "app/tariff/special_days_page.h"
#include "app/tariff/tariff_page.h"
#include "app/traffic/traffic_page.h"
#include "comm/comm_error.h"
#include "comm/port_map.h"
#include "link/outcome_texts.h"

namespace vilt::app {

namespace {

constexpr QSize kClientSize(823, 384);
constexpr int kTickMs = 1000;

const QString kCaption = QStringLiteral(
    "       Программа облуживания счетчиков ВИЛТ3/ВИЛТ1  -\"М\"- ЖКИ .  V_301209_12Month_12Sezon");

struct PageTitle {
    const char* sheet;
    const char* tab;
};
constexpr std::array<PageTitle, 7> kPages = {{
    {"tariffPage", "Сезоны и тарифы"},
    {"specialDaysPage", "Нестандартные дни"},
    {"connectionPage", "Установка связи"},
    {"journalPage", "Журнал событий"},
    {"servicePage", "Калибровка"},
    {"profilePage", "   Срезы    "},
    {"monthPage", "Показания за 12 месяцев"},
}};
constexpr int kCalibrationPage = 4;

// What each status field may say, so that it is wide enough for all of it.
QStringList statusTexts() {
    namespace texts = link::texts;
    return {texts::kLocalSession,
            texts::kFactorySession,
            texts::kPasswordSession,
            texts::kPasswordRefused,
            texts::kWrongCount,
            texts::kWrongCode,
            texts::kWrongCrc,
            QString::fromUtf8(comm::kErrDtr).replace(QLatin1String("%d"), QStringLiteral("999"))};
}
QStringList numberTexts() {
    const QString largest = QStringLiteral("16777215");
    return {link::texts::kLocalNumber + largest, link::texts::kFactoryNumber + largest};
}

// As wide as the widest of its texts in the label's font, never narrower than least.
int widthFor(const QLabel& label, int least, const QStringList& texts) {
    const QFontMetrics metrics(label.font());
    int widest = least;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text) + 2 * label.frameWidth() + 8);
    return widest;
}

}  // namespace

namespace {

std::unique_ptr<archive::Archive> openArchive(const QString& path) {
    QString error;
    auto opened = archive::Archive::open(path, &error);
    if (!opened) throw std::runtime_error(error.toStdString());
    return opened;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent, const QString& archivePath)
    : QMainWindow(parent), m_archive(openArchive(archivePath)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(kCaption);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setCentralWidget(new QWidget(this));
    buildStatus();
    buildPages();
    buildBottom();
    setFixedSize(kClientSize);
    m_station->exchange().setProgress([this](int maximum, int position) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(position);
    });
    setUpAtStart();
    letEnterPressButtons(*this);
    nameControls(*this);
}

MainWindow::~MainWindow() {
    m_round->finish();
}

// The result panels and the status bar, and the services the pages share through them.
void MainWindow::buildStatus() {
    m_panels = std::make_unique<ResultPanels>(centralWidget(), QRect(4, 320, 330, 22));
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(false);
    constexpr std::array kWidths = {300, 250, 50};
    const std::array<QStringList, 3> texts = {statusTexts(), numberTexts(), QStringList()};
    for (size_t i = 0; i < kWidths.size(); ++i) {
        m_status[i] = new QLabel(statusBar());
        m_status[i]->setObjectName(QStringLiteral("status%1").arg(i));
        m_status[i]->setTextFormat(Qt::PlainText);
        m_status[i]->setFrameShape(QFrame::Panel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        m_status[i]->setFixedWidth(widthFor(*m_status[i], kWidths[i], texts[i]));
        statusBar()->addWidget(m_status[i]);
    }

    m_presenter = std::make_unique<Presenter>(*this, *m_panels,
                                              std::array<QLabel*, 2>{m_status[0], m_status[1]});
    m_services = std::make_unique<Services>(
        Services{*m_station, m_station->exchange(), *m_presenter, m_guard, *m_archive, m_tariffs});
}

void MainWindow::buildPages() {
    m_pages = new QTabWidget(centralWidget());
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setGeometry(0, 0, kClientSize.width(), 316);
    for (size_t i = 0; i < kPages.size(); ++i) {
        QWidget* sheet = nullptr;
        if (static_cast<int>(i) == kConnectionPage) {
            m_connection = new ConnectionPage(*m_services, m_events);
            sheet = m_connection;
        } else if (static_cast<int>(i) == kJournalPage) {
            m_journal = new JournalPage(*m_services, m_events);
            sheet = m_journal;
        } else if (static_cast<int>(i) == kTariffPage) {
            m_tariffPage = new TariffPage(*m_services);
            sheet = m_tariffPage;
        } else if (static_cast<int>(i) == kSpecialDaysPage) {
            m_specialDays = new SpecialDaysPage(*m_services);
            sheet = m_specialDays;
        } else if (static_cast<int>(i) == kProfilePage) {
            m_profile =
                new ProfilePage(*m_services, [this] { return m_connection->factoryNumber(); });
            sheet = m_profile;
        } else if (static_cast<int>(i) == kMonthPage) {
            m_months = new MonthPage(*m_services, [this] { return m_connection->factoryNumber(); });
            sheet = m_months;
        } else if (static_cast<int>(i) == kCalibrationPage) {
            m_service = new ServicePage(
                *m_services, [this] { return m_connection->exchangeGroup().selectedGroup(); });
            sheet = m_service;
        } else {
            sheet = new QWidget;
        }
        sheet->setObjectName(QLatin1String(kPages[i].sheet));
        m_pages->addTab(sheet, QString::fromUtf8(kPages[i].tab));
    }
    showPage(kCalibrationPage, false);
    // Service staff reveal the calibration page with Ctrl+Shift+K; ordinary use never sees it.
    auto* reveal = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), this);
    connect(reveal, &QShortcut::activated, this, [this] { revealServicePage(); });
    buildPageKeys();
    ExchangeGroup& exchange = m_connection->exchangeGroup();
    connect(&exchange, &ExchangeGroup::readStarting, m_months, &MonthPage::blankMonths);
    connect(&exchange, &ExchangeGroup::energyRead, m_months, &MonthPage::showMonths);
    m_limitsDialog = new LimitsDialog(*m_services, this);
    buildRoundPage();
    buildTrafficPage();
    connect(m_connection->limitButton(), &QPushButton::clicked, this,
            [this] { m_guard.handle([this] { openLimits(); }); });
    for (const auto& [action, to] : {std::pair{m_connection->reportToFile(), ReportTo::File},
                                     std::pair{m_connection->reportToPrinter(), ReportTo::Printer}})
        connect(action, &QAction::triggered, this, [this, to] {
            m_guard.operate([this, to] {
                makeReport(*m_services, m_connection->factoryNumber(), m_profile->chosenDay(), to,
                           this);
            });
        });
}

void MainWindow::buildBottom() {
    QWidget* client = centralWidget();
    m_progress = new QProgressBar(client);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(408, 322, 180, 18);

    auto* clock = new QFrame(client);
    clock->setObjectName(QStringLiteral("clockPanel"));
    clock->setGeometry(594, 318, 225, 26);
    clock->setStyleSheet(
        QStringLiteral("QFrame#clockPanel { background: #00ffff; border: 1px solid gray; }"));
    auto* row = new QHBoxLayout(clock);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(4);
    auto addText = [clock, row](const QString& caption, const QString& name) {
        row->addWidget(new QLabel(caption, clock));
        auto* text = new QLabel(clock);
        text->setObjectName(name);
        row->addWidget(text, 1);
        return text;
    };
    m_time = addText(QStringLiteral("Время"), QStringLiteral("nowTime"));
    m_date = addText(QStringLiteral("Дата"), QStringLiteral("nowDate"));
    // Wide enough for the widest time and date, ending at the window's edge.
    m_time->setText(timeText(QTime(23, 59, 59)));
    m_date->setText(dateText(QDate(2026, 12, 28)));
    const int width = std::max(225, clock->sizeHint().width());
    clock->setGeometry(kClientSize.width() - width - 4, 318, width, 26);

    // The tariff-file buttons sit beside the pages and belong to the tariff page.
    m_saveTariffs = new QPushButton(client);
    m_saveTariffs->setObjectName(QStringLiteral("saveTariffs"));
    m_saveTariffs->setToolTip(QStringLiteral("Запись тарифов и календаря нестандартных дней"));
    m_loadTariffs = new QPushButton(client);
    m_loadTariffs->setObjectName(QStringLiteral("loadTariffs"));
    m_loadTariffs->setToolTip(QStringLiteral("Чтение тарифов и календаря нестандартных  дней"));
    const auto style = this->style();
    m_saveTariffs->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));
    m_loadTariffs->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    m_saveTariffs->setGeometry(340, 319, 30, 24);
    buildStop(client);
    m_loadTariffs->setGeometry(372, 319, 30, 24);
    connect(m_saveTariffs, &QPushButton::clicked, this,
            [this] { m_guard.handle([this] { m_tariffPage->saveToFile(); }); });
    connect(m_loadTariffs, &QPushButton::clicked, this,
            [this] { m_guard.handle([this] { m_tariffPage->loadFromFile(); }); });
}

// The stop button stands over the tariff-file buttons while an operation runs; Esc does the
// same. The waits of the operation see the request and end it.
void MainWindow::buildStop(QWidget* client) {
    auto* stop = new QPushButton(QStringLiteral("Стоп"), client);
    stop->setObjectName(QStringLiteral("stop"));
    stop->setToolTip(QStringLiteral("Остановить обмен со счетчиком (Esc)"));
    stop->setGeometry(340, 319, 62, 24);
    stop->hide();
    connect(stop, &QPushButton::clicked, this, [this] { m_guard.stop(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { EscapePressed(); });
    link::Waiter& waiter = m_station->waiter();
    m_guard.setStop({stop, [&waiter](bool now) { now ? waiter.requestStop() : waiter.clearStop(); },
                     [this] { m_presenter->showStopped(); }});
    m_guard.setAfterOperation([this] {
        m_connection->modem().followLine();
        m_round->followLine(m_station->line().Enabled() || m_station->callUp());
    });
}

// Esc stops a running operation; otherwise it is the cancel button of the page shown: the
// tariff page's and the special-days page's «Очистить».
void MainWindow::EscapePressed() {
    if (m_guard.busy()) {
        m_guard.stop();
        return;
    }
    if (m_pages->currentIndex() == kTariffPage) m_tariffPage->cancelButton()->click();
    if (m_pages->currentIndex() == kSpecialDaysPage) m_specialDays->cancelButton()->click();
}

// Start-up, in this order.
void MainWindow::setUpAtStart() {
    comm::SerialLine& line = m_station->line();
    line.SetBaudRate(comm::BaudRate::br9600);
    m_connection->setPorts(comm::discoverPorts(line));
    m_connection->setPortName(line.DeviceName());
    m_presenter->showSessionClosed();
    m_panels->hideAll();
    m_connection->exchangeGroup().clock().setToNow();
    repaint();
    m_pages->setCurrentIndex(kConnectionPage);
    m_saveTariffs->hide();
    m_loadTariffs->hide();
    connect(m_pages, &QTabWidget::currentChanged, this,
            [this](int index) { m_guard.handle([&] { pageChanged(index); }); });
    m_time->setText(timeText(QTime::currentTime()));
    m_date->setText(dateText(QDate::currentDate()));
    m_clock = new QTimer(this);
    m_clock->setObjectName(QStringLiteral("clockTimer"));
    connect(m_clock, &QTimer::timeout, this, [this] { tickClock(); });
    m_clock->start(kTickMs);
}

// «Обход» follows the specified pages. Its round opens ports of its own: while it runs, the
// connection page, where every control that opens the window's port is, stays disabled.
void MainWindow::buildRoundPage() {
    m_round = new RoundPage(*m_services, [this] { return m_connection->settings(); });
    m_round->setObjectName(QStringLiteral("roundPage"));
    m_pages->addTab(m_round, QStringLiteral("Обход"));
    connect(m_round, &RoundPage::runningChanged, this,
            [this](bool running) { m_connection->setEnabled(!running); });
}

// «Обмен» stands after the specified pages, out of the tab row until Ctrl+T shows it (or hides
// it again). A hidden tab at the end of the row would confuse its scrolling: with the tabs too
// wide for the window, the row slid off the window and neither arrow worked.
void MainWindow::buildTrafficPage() {
    m_trafficPage = new TrafficPage(m_station->trafficLog());
    m_trafficPage->setObjectName(QStringLiteral("trafficPage"));
    m_pages->removeTab(m_pages->addTab(m_trafficPage, QStringLiteral("Обмен")));  // kept, hidden
    auto* toggle = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(toggle, &QShortcut::activated, this,
            [this] { showTraffic(m_pages->indexOf(m_trafficPage) < 0); });
}

void MainWindow::showTraffic(bool shown) {
    const int index = m_pages->indexOf(m_trafficPage);
    if (shown && index < 0)
        m_pages->setCurrentIndex(m_pages->addTab(m_trafficPage, QStringLiteral("Обмен")));
    if (shown || index < 0) return;
    if (m_pages->currentIndex() == index) stepPage(-1);
    m_pages->removeTab(index);
}

void MainWindow::revealServicePage() {
    showPage(kCalibrationPage, true);
}

// A hidden page is out of reach, not only out of sight: its tab is disabled too, so that no
// key of the tab widget or the tab row shows it, and none of its controls takes the focus.
void MainWindow::showPage(int index, bool shown) {
    m_pages->setTabEnabled(index, shown);
    m_pages->setTabVisible(index, shown);
}

// Ctrl+Tab and Ctrl+Shift+Tab go to the next or the previous page that is shown, whatever
// control has the focus: a date field would take them for its own sections.
void MainWindow::buildPageKeys() {
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] { stepPage(1); });
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::Key_Backtab)}) {
        auto* previous = new QShortcut(keys, this);
        connect(previous, &QShortcut::activated, this, [this] { stepPage(-1); });
    }
}

void MainWindow::stepPage(int step) {
    const int count = m_pages->count();
    for (int i = 1; i < count; ++i) {
        const int index = ((m_pages->currentIndex() + step * i) % count + count) % count;
        if (!m_pages->isTabVisible(index) || !m_pages->isTabEnabled(index)) continue;
        m_pages->setCurrentIndex(index);
        // The keyboard stays with the tab row, where the page shown is announced; Tab goes on
        // into the page.
        m_pages->tabBar()->setFocus(Qt::TabFocusReason);
        return;
    }
}

// The limits are read first; the dialog opens whatever came of it.
void MainWindow::openLimits() {
    m_guard.operate([this] { m_limitsDialog->openLimits(); });
    m_limitsDialog->exec();
}

void MainWindow::pageChanged(int index) {
    if (index != kTariffPage && index != kSpecialDaysPage && index != kJournalPage)
        m_service->resetControls();
    m_saveTariffs->hide();
    m_loadTariffs->hide();
    if (index == kTariffPage) {
        m_saveTariffs->show();
        m_loadTariffs->show();
    }
    if (index == kTariffPage) m_tariffPage->pageOpened();
    if (index == kSpecialDaysPage) m_specialDays->pageOpened();
    if (index == kJournalPage) m_journal->showJournal(m_journal->selectedJournal());
}

void MainWindow::tickClock() {
    m_clock->setInterval(kTickMs);
    m_time->setText(timeText(QTime::currentTime()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing in the middle of an exchange would pull the port from under it: close when
    // the operation is over.
    if (m_guard.busy()) {
        m_guard.closeWhenIdle();
        event->ignore();
        return;
    }
    m_round->finish();  // the round stopped at its next wait, its thread joined
    m_guard.handle([this] { closeDown(); });
    event->accept();
}

// A call that is up is ended too: the session first, then the hang-up, the port last.
void MainWindow::closeDown() {
    m_connection->leave();
}

}  // namespace vilt::app
