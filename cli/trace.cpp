#include "cli/trace.h"

#include "cli/output.h"

namespace vilt::cli {

namespace {

QString cannotWrite(const QFile& file) {
    return QStringLiteral("cannot write the trace file '%1': %2")
        .arg(file.fileName(), file.errorString());
}

}  // namespace

Trace::Trace(const Options& options) : m_toErr(options.trace), m_file(options.traceFile) {}

std::optional<QString> Trace::open() {
    if (m_opened) return m_openFailure;
    m_opened = true;
    if (m_file.fileName().isEmpty()) return std::nullopt;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        m_openFailure = cannotWrite(m_file);
    return m_openFailure;
}

void Trace::write(const QString& line) {
    if (m_toErr) err(line);
    if (!m_file.isOpen()) return;
    // Flushed line by line, so a full disk shows at once and a crash loses nothing written.
    if (m_file.write((line + QLatin1Char('\n')).toUtf8()) < 0 || !m_file.flush()) {
        err(cannotWrite(m_file));
        m_file.close();
    }
}

}  // namespace vilt::cli
