#include "app/traffic/traffic_page.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/widgets/message_box.h"

namespace vilt::app {

namespace {

constexpr int kBatchMs = 200;

// Sent in blue, received in green, a refused reply in red, bytes thrown away in grey.
QString colourOf(const link::TrafficEntry& entry) {
    if (entry.direction == link::Direction::Discarded) return QStringLiteral("#808080");
    if (entry.direction == link::Direction::Sent) return QStringLiteral("#00308f");
    return entry.decoded.contains(QLatin1String("refused")) ? QStringLiteral("#c00000")
                                                            : QStringLiteral("#006400");
}

}  // namespace

TrafficPage::TrafficPage(link::TrafficLog& log, QWidget* parent) : QWidget(parent), m_log(log) {
    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("trafficView"));
    m_view->setAccessibleName(QStringLiteral("Обмен со счетчиком"));
    m_view->setReadOnly(true);
    m_view->setMaximumBlockCount(static_cast<int>(link::TrafficLog::kCapacity));
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // A long frame wraps, so that why a reply was refused, at the end of its line, shows.
    m_view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto* save = new QPushButton(QStringLiteral("Сохранить…"), this);
    save->setObjectName(QStringLiteral("trafficSave"));
    auto* clear = new QPushButton(QStringLiteral("Очистить"), this);
    clear->setObjectName(QStringLiteral("trafficClear"));
    connect(save, &QPushButton::clicked, this, [this] { this->save(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearLog(); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    m_batch = new QTimer(this);
    m_batch->setInterval(kBatchMs);
    connect(m_batch, &QTimer::timeout, this, [this] { flush(); });
    m_batch->start();
    m_log.onEntry = [this](const link::TrafficEntry& entry) {
        m_pending << QStringLiteral("<span style=\"color:%1; white-space:pre\">%2</span>")
                         .arg(colourOf(entry), link::formatEntry(entry).toHtmlEscaped());
    };
}

void TrafficPage::flush() {
    if (m_pending.isEmpty()) return;
    for (const QString& line : std::as_const(m_pending)) m_view->appendHtml(line);
    m_pending.clear();
}

bool TrafficPage::saveTo(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    for (const link::TrafficEntry& entry : m_log.entries())
        file.write((link::formatEntry(entry) + QLatin1Char('\n')).toUtf8());
    return file.flush();
}

void TrafficPage::save() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить обмен"),
                                     QStringLiteral("обмен.txt"), QStringLiteral("Текст (*.txt)"));
    if (path.isEmpty()) return;
    if (!saveTo(path)) showError(QStringLiteral("Не удалось записать файл «%1»").arg(path));
}

void TrafficPage::clearLog() {
    m_log.clear();
    m_pending.clear();
    m_view->clear();
}

}  // namespace vilt::app
