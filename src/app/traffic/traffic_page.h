#pragma once
// The page «Обмен»: the traffic log, live. Hidden until asked for (Ctrl+T); new entries are
// shown in batches, so that logging never slows the exchange.

#include <QStringList>
#include <QWidget>

#include "link/traffic_log.h"

class QPlainTextEdit;
class QTimer;

namespace vilt::app {

class TrafficPage : public QWidget {
    Q_OBJECT
  public:
    explicit TrafficPage(link::TrafficLog& log, QWidget* parent = nullptr);

    // Writes the whole log as text; false when the file cannot be written.
    bool saveTo(const QString& path) const;
    void clearLog();
    // Shows what came since the last batch.
    void flush();

  private:
    void save();

    link::TrafficLog& m_log;
    QPlainTextEdit* m_view = nullptr;
    QTimer* m_batch = nullptr;
    QStringList m_pending;  // HTML lines not shown yet
};

}  // namespace vilt::app
