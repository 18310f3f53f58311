#pragma once
// vilt-cli against the virtual meter server, in a working folder of each test's own, so the
// default archive and the files a command makes never outlive the test. A test class derives
// from it beside QObject and calls makeFolder() from init() and clear() from cleanup().

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "support/sim_process.h"

namespace vilt::test {

class CliFixture {
  protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SimProcess> m_sim;

    void makeFolder() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void clear() {
        m_sim.reset();
        m_dir.reset();
    }
    QString inDir(const QString& name) const { return m_dir->filePath(name); }

    // Meter 12345, the number vilt-cli is pointed at, with the options given.
    void startMeter(const QStringList& options = {}) {
        m_sim = std::make_unique<SimProcess>(QStringList{"--factory", "12345"} + options);
        QString error;
        QVERIFY2(m_sim->start(&error), qPrintable(error));
    }
    // The meter's answer to a "get" control line, without its "OK ".
    QString meter(const QString& what) const { return m_sim->ask("get " + what).mid(3); }

    // vilt-cli against the meter, in the folder; the output comes trimmed.
    CliRun cli(const QStringList& command) const {
        return runCliOn(*m_sim, command, m_dir->path());
    }
    // vilt-cli without a meter, in the folder: a port that cannot be opened, so a command
    // that reached it would say so.
    CliRun here(const QStringList& command) const {
        CliRun run = runCliIn(m_dir->path(), QStringList{"--port", "/nonexistent/tty"} + command);
        run.out = run.out.trimmed();
        run.err = run.err.trimmed();
        return run;
    }
};

// What a command printed as JSON; a text that is not JSON is told and gives an empty object.
inline QJsonObject json(const QString& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) qWarning() << error.errorString() << text;
    return document.object();
}

// One value as compact JSON text, keys sorted, to compare with a literal.
inline QByteArray compact(const QJsonValue& value) {
    if (value.isArray()) return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

}  // namespace vilt::test
