#include "app/round/round_page.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/frame/csv_export.h"
#include "app/round/round_relay.h"
#include "archive/shared_round.h"
#include "archive/visits.h"
#include "ops/number_text.h"
#include "sheet/sheets.h"
#include "station/round.h"
#include "station/shared_round.h"

namespace vilt::app {

namespace {

enum Column { kLabel, kFactory, kEnergy, kOffset, kResult, kColumns };

RoundPage::OpenPathFunction& openPathFunction() {
    static RoundPage::OpenPathFunction function;
    return function;
}

QString askOpenPath(QWidget* parent) {
    if (openPathFunction()) return openPathFunction()();
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Файл обхода"), QDir::homePath(),
        QStringLiteral("Файлы обхода (*.csv *.txt);;Все файлы (*)"));
}

QString optionalText(const std::optional<qint64>& value) {
    return value ? QString::number(*value) : QString();
}

}  // namespace

void RoundPage::setOpenPathFunction(OpenPathFunction function) {
    openPathFunction() = std::move(function);
}

RoundPage::RoundPage(Services& services, std::function<station::Settings()> settings,
                     QWidget* parent)
    : QWidget(parent), m_services(services), m_settings(std::move(settings)) {
    auto* layout = new QVBoxLayout(this);
    buildButtons();
    buildGrid();
    layout->addWidget(m_open->parentWidget());
    layout->addWidget(m_grid, 1);
}

RoundPage::~RoundPage() {
    finish();
}

void RoundPage::buildButtons() {
    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_open = new QPushButton(QStringLiteral("Открыть…"), row);
    m_open->setObjectName(QStringLiteral("roundOpen"));
    m_open->setToolTip(
        QStringLiteral("Выбрать файл обхода: порт;телефон;заводской номер;пароль;метка"));
    m_start = new QPushButton(QStringLiteral("Начать"), row);
    m_start->setObjectName(QStringLiteral("roundStart"));
    m_start->setToolTip(QStringLiteral("Обойти счетчики файла: энергия, время, события"));
    m_stopButton = new QPushButton(QStringLiteral("Стоп"), row);
    m_stopButton->setObjectName(QStringLiteral("roundStop"));
    m_stopButton->setToolTip(QStringLiteral("Остановить обход"));
    m_file = new QLabel(row);
    m_file->setObjectName(QStringLiteral("roundFile"));
    m_file->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(row);
    m_progress->setObjectName(QStringLiteral("roundProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setFormat(QStringLiteral("%v из %m"));
    m_progress->setFixedWidth(160);
    m_shared = new QPushButton(QStringLiteral("Общий обход"), row);
    m_shared->setObjectName(QStringLiteral("roundShared"));
    m_shared->setToolTip(
        QStringLiteral("Обход, общий для нескольких компьютеров, из архива на сервере"));
    m_shared->setVisible(archive::isServerAddress(m_services.archive.path()));
    auto* csv = csvButton(
        QStringLiteral("roundCsv"), QStringLiteral("обход.csv"), m_services.presenter,
        [this] { return std::optional(QList<sheet::Sheet>{sheet::roundSheet(m_results)}); }, this);
    // Every visit the archive has recorded (rounds and the batch, of every station).
    auto* visits = csvButton(
        QStringLiteral("visitsCsv"), QStringLiteral("посещения.csv"), m_services.presenter,
        [this]() -> std::optional<QList<sheet::Sheet>> {
            const auto rows = m_services.archive.visits(std::nullopt, std::nullopt, std::nullopt);
            if (!m_services.archive.error().isEmpty()) {
                m_services.presenter.message(m_services.archive.error());
                return std::nullopt;
            }
            return QList<sheet::Sheet>{sheet::visitsSheet(rows)};
        },
        this);
    visits->setText(QStringLiteral("Посещения CSV…"));
    visits->setAccessibleName(QStringLiteral("Сохранить записанные посещения в CSV"));
    for (QWidget* control : {static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_start),
                             static_cast<QWidget*>(m_stopButton), static_cast<QWidget*>(m_shared)})
        buttons->addWidget(control);
    buttons->addWidget(m_file, 1);
    buttons->addWidget(m_progress);
    buttons->addWidget(csv);
    buttons->addWidget(visits);
    m_start->setEnabled(false);
    m_stopButton->setEnabled(false);
    // A meter operation of the window holds its port: no round starts meanwhile.
    m_services.guard.addControl(m_start);
    m_services.guard.addControl(m_shared);
    connect(m_open, &QPushButton::clicked, this, [this] {
        const QString path = askOpenPath(this);
        if (!path.isEmpty()) openFile(path);
    });
    connect(m_start, &QPushButton::clicked, this, [this] { start(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stop(); });
    connect(m_shared, &QPushButton::clicked, this, [this] { startShared(); });
}

void RoundPage::buildGrid() {
    m_grid = new QTableWidget(0, kColumns, this);
    m_grid->setObjectName(QStringLiteral("roundGrid"));
    m_grid->setAccessibleName(QStringLiteral("Счетчики обхода"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("Метка"), QStringLiteral("Заводской номер"),
                                       QStringLiteral("Энергия, кВт*ч"),
                                       QStringLiteral("Смещение часов, с"),
                                       QStringLiteral("Результат")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->verticalHeader()->hide();  // the label column names a malformed line by its number
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // Each column as wide as its heading, the label's wider still.
    const QFontMetrics metrics(m_grid->horizontalHeader()->font());
    for (int column = kLabel; column < kResult; ++column) {
        const QString heading = m_grid->horizontalHeaderItem(column)->text();
        m_grid->setColumnWidth(column, metrics.horizontalAdvance(heading) + 20);
    }
    m_grid->setColumnWidth(kLabel, 150);
}

void RoundPage::openFile(const QString& path) {
    if (running()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_services.presenter.message(QStringLiteral("Не удалось прочитать файл обхода %1: %2")
                                         .arg(path, file.errorString()));
        return;
    }
    const QList<station::RoundLine> lines = station::parseRoundFile(file.readAll());
    m_meters.clear();
    m_rowOf.clear();
    m_results.clear();
    for (const station::RoundLine& line : lines) {
        station::MeterResult result;
        if (line.error.isEmpty()) {
            m_rowOf.insert(m_meters.size(), static_cast<int>(m_results.size()));
            m_meters << station::roundMeter(line);
            result.line = line.number;
            result.label = line.label;
            result.factory = line.factory;
        } else {
            result = station::malformedResult(line);
        }
        m_results << result;
    }
    m_started = QList<bool>(m_results.size(), false);
    m_finished = 0;
    m_file->setText(QFileInfo(path).fileName());
    m_progress->setRange(0, std::max<int>(1, static_cast<int>(m_meters.size())));
    m_progress->setValue(0);
    m_grid->setRowCount(static_cast<int>(m_results.size()));
    for (int row = 0; row < m_grid->rowCount(); ++row) showRow(row);
    m_services.guard.setControlEnabled(m_start, !m_meters.isEmpty() && !m_portOpen);
}

void RoundPage::showRow(int row) {
    const station::MeterResult& r = m_results[row];
    const QString label = r.label.isEmpty() ? QStringLiteral("строка %1").arg(r.line) : r.label;
    const QString result = m_started[row] && r.result.isEmpty() ? QStringLiteral("…") : r.result;
    const QStringList texts{label, r.factory ? QString::number(*r.factory) : QString(),
                            r.energy ? ops::hundredthsText(*r.energy) : QString(),
                            optionalText(r.offset), result};
    for (int column = 0; column < kColumns; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        if (column == kEnergy || column == kOffset || column == kFactory)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (column == kResult && !r.result.isEmpty() && !r.ok) item->setForeground(Qt::darkRed);
        item->setToolTip(texts[column]);
        m_grid->setItem(row, column, item);
    }
}

station::RoundSettings RoundPage::roundSettings() const {
    const station::Settings fields = m_settings();
    station::RoundSettings settings;
    settings.speed = fields.speed;
    settings.waitMs = fields.waitMs;
    settings.fast = fields.fast;
    settings.archive = m_services.archive.path();
    return settings;
}

bool RoundPage::checkPort() {
    if (!m_portOpen && !m_services.station.line().Enabled()) return true;
    m_services.presenter.message(
        QStringLiteral("Порт окна открыт: отключитесь от счетчика, затем начните обход."));
    return false;
}

void RoundPage::start() {
    if (running() || m_meters.isEmpty() || !checkPort()) return;
    for (const int row : std::as_const(m_rowOf)) {
        const station::MeterResult blank = m_results[row];
        m_results[row] = {blank.line, blank.label, blank.factory, false, {}, {}, {}, false, {}};
        m_started[row] = false;
        showRow(row);
    }
    m_progress->setValue(0);
    launch([meters = m_meters, settings = roundSettings()](RoundRelay* relay,
                                                           const std::atomic<bool>* stop) {
        station::RoundRun run;
        run.observer = relay;
        run.stop = stop;
        run.visitRecord = [&meters](qsizetype index, const station::MeterVisit& visit) {
            return station::visitRecord(station::meterResult(meters[index], visit),
                                        archive::defaultStation());
        };
        station::runRound(meters, settings, run);
        return QString();
    });
}

namespace {

// This station's lines of a shared round: the window's port as its modem, unless the server
// names it as one of the station's direct ports.
std::optional<QList<station::SharedLine>> sharedLines(const QString& place, const QString& modem,
                                                      QString* error) {
    if (!archive::RoundClaims::open(place, error)) return std::nullopt;
    const auto direct = archive::directPorts(place, archive::defaultStation(), error);
    if (!direct) return std::nullopt;
    QList<station::SharedLine> lines;
    if (!direct->contains(modem)) lines << station::SharedLine{modem, true};
    for (const QString& port : *direct) lines << station::SharedLine{port, false};
    return lines;
}

// What a shared round marks a meter's visit with.
std::pair<bool, QString> sharedResult(const station::SharedVisit& visit) {
    const station::MeterResult result = station::meterResult(visit.visited, visit.visit);
    return {result.ok, result.result};
}

}  // namespace

void RoundPage::startShared() {
    if (running() || !checkPort()) return;
    m_meters.clear();
    clearRows();
    m_file->setText(QStringLiteral("Общий обход"));
    m_progress->setRange(0, 0);  // the meters are not known until the lines claim them
    const QString place = m_services.archive.path();
    launch([place, modem = m_settings().port, settings = roundSettings()](
               RoundRelay* relay, const std::atomic<bool>* stop) {
        QString error;
        const auto lines = sharedLines(place, modem, &error);
        if (!lines) return error;
        const QString station = archive::defaultStation();
        const station::SharedRun shared{place, station, *lines, sharedResult};
        station::RoundRun run;
        run.observer = relay;
        run.stop = stop;
        run.visitRecord = [relay, station](qsizetype index, const station::MeterVisit& visit) {
            return station::visitRecord(station::meterResult(relay->meter(index), visit), station);
        };
        const QList<station::SharedVisit> visits = station::runSharedRound(shared, settings, run);
        for (qsizetype index = 0; index < visits.size(); ++index)
            if (const auto& failure = visits[index].markFailure)
                emit relay->markFailed(index, *failure);
        return QString();
    });
}

void RoundPage::clearRows() {
    m_rowOf.clear();
    m_results.clear();
    m_started.clear();
    m_grid->setRowCount(0);
}

// The round's work on a thread of its own; what it returns is an error that broke it off.
void RoundPage::launch(
    std::function<QString(RoundRelay* relay, const std::atomic<bool>* stop)> work) {
    m_finished = 0;
    m_lineFailures.clear();
    m_stop = false;
    m_relay = std::make_unique<RoundRelay>(m_meters);
    RoundRelay* relay = m_relay.get();
    connect(relay, &RoundRelay::meterClaimed, this, &RoundPage::meterClaimed, Qt::QueuedConnection);
    connect(
        relay, &RoundRelay::lineBroken, this,
        [this](const QString& port, const QString& error) {
            m_lineFailures << port + QStringLiteral(": ") + error;
        },
        Qt::QueuedConnection);
    connect(relay, &RoundRelay::meterStarting, this, &RoundPage::meterStarting,
            Qt::QueuedConnection);
    connect(relay, &RoundRelay::meterFinished, this, &RoundPage::meterFinished,
            Qt::QueuedConnection);
    connect(relay, &RoundRelay::markFailed, this, &RoundPage::markFailed, Qt::QueuedConnection);
    connect(relay, &RoundRelay::roundEnded, this, &RoundPage::roundEnded, Qt::QueuedConnection);
    setRunning(true);
    m_thread = std::thread([work = std::move(work), relay, stop = &m_stop] {
        QString error;
        try {
            error = work(relay, stop);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        emit relay->roundEnded(error);
    });
}

void RoundPage::meterClaimed(qsizetype index, const station::RoundMeter& meter) {
    const int row = static_cast<int>(m_results.size());
    m_rowOf.insert(index, row);
    station::MeterResult result;
    result.line = meter.line;
    result.label = meter.label;
    result.factory = meter.factory;
    m_results << result;
    m_started << false;
    m_grid->setRowCount(row + 1);
    showRow(row);
    m_progress->setRange(0, row + 1);
    m_progress->setValue(m_finished);
}

void RoundPage::markFailed(qsizetype index, const QString& error) {
    const int row = m_rowOf.value(index, -1);
    if (row < 0) return;
    m_results[row].ok = false;
    m_results[row].result +=
        QStringLiteral("; archive: the round's mark not stored: ") + error.simplified();
    showRow(row);
}

void RoundPage::meterStarting(qsizetype index) {
    const int row = m_rowOf.value(index, -1);
    if (row < 0) return;
    m_started[row] = true;
    showRow(row);
}

void RoundPage::meterFinished(qsizetype index, const station::MeterResult& result) {
    const int row = m_rowOf.value(index, -1);
    if (row < 0) return;
    m_results[row] = result;
    showRow(row);
    m_progress->setValue(++m_finished);
}

void RoundPage::roundEnded(const QString& error) {
    if (m_thread.joinable()) m_thread.join();
    m_relay.reset();
    setRunning(false);
    if (m_progress->maximum() == 0) m_progress->setRange(0, 1);  // a shared round of none
    if (!error.isEmpty()) m_services.presenter.message(QStringLiteral("Обход прерван: ") + error);
    if (!m_lineFailures.isEmpty())
        m_services.presenter.message(QStringLiteral("Не все линии прошли обход:\n") +
                                     m_lineFailures.join(QLatin1Char('\n')));
}

void RoundPage::stop() {
    m_stop = true;
}

void RoundPage::finish() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void RoundPage::setRunning(bool running) {
    m_open->setEnabled(!running);
    m_stopButton->setEnabled(running);
    m_services.guard.setControlEnabled(m_start, !running && !m_portOpen && !m_meters.isEmpty());
    m_services.guard.setControlEnabled(m_shared, !running && !m_portOpen);
    emit runningChanged(running);
}

void RoundPage::followLine(bool windowPortOpen) {
    m_portOpen = windowPortOpen;
    m_services.guard.setControlEnabled(m_start, !running() && !m_portOpen && !m_meters.isEmpty());
    m_services.guard.setControlEnabled(m_shared, !running() && !m_portOpen);
}

}  // namespace vilt::app
