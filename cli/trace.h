#pragma once
// The decoded traffic on standard error (--trace) and into a file (--trace-file). The file
// is emptied once, when it is opened, so one trace can serve a whole round of meters. A
// file that stops taking lines (a full disk) is told once; the command goes on without it.

#include <QFile>
#include <QString>
#include <optional>

#include "cli/options.h"

namespace vilt::cli {

class Trace {
  public:
    explicit Trace(const Options& options);

    // Opens the file the first time; the reason when it cannot be, every time asked.
    std::optional<QString> open();
    // Whether there is anywhere to trace to.
    bool wanted() const { return m_toErr || m_file.isOpen(); }
    void write(const QString& line);

  private:
    bool m_toErr;
    QFile m_file;
    bool m_opened = false;
    std::optional<QString> m_openFailure;
};

}  // namespace vilt::cli
