#pragma once
// The real main window, offscreen, with the virtual meter server mapped as Com1, and the
// ways a test looks at it and works it as a user would.

#include <QtTest>
#include <QtWidgets>

#include "app/widgets/message_box.h"
#include "app/widgets/radio_group.h"
#include "app/main_window.h"
#include "support/sim_process.h"

namespace vilt::test {

inline const QStringList kPanelNames = {
    "noLink",     "connected",      "connectedRead", "connectedReadWrite",   "wrongPassword",     "tariffsRead",
    "energyRead",     "placeWritten", "resetDone", "tariffsWritten",      "clockRead",   "clockSynced",
    "clockWritten",  "eventsRead", "output512On", "calibrationRead",   "calibrationWritten", "meterNumberWritten",
    "profileRead", "noProfile",     "speedChanged",    "passwordChanged"};

class WindowRig {
  public:
    QStringList messages;

    // Starts the meter with the given options and the window; false with the reason.
    bool start(const QStringList& meterOptions, QString* error) {
        app::setMessageBoxFunction([this](const QString& text) { messages << text; });
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
        if (!plugIn(meterOptions, error)) return false;
        m_form = std::make_unique<app::MainWindow>(nullptr, archivePath());
        return true;
    }
    // The adapter pulled: the meter's end of the line goes away.
    void unplug() { m_sim.reset(); }
    // A meter (again) behind Com1.
    bool plugIn(const QStringList& meterOptions, QString* error) {
        m_sim = std::make_unique<SimProcess>(meterOptions);
        if (!m_sim->start(error)) return false;
        const QString ports = m_data.path() + "/vilt-service/ports";
        QFile::remove(ports + "/com1");
        if (!QDir().mkpath(ports) || !QFile::link(m_sim->slavePath(), ports + "/com1")) {
            *error = QStringLiteral("cannot map Com1");
            return false;
        }
        return true;
    }

    app::MainWindow& form() const { return *m_form; }
    SimProcess& meter() const { return *m_sim; }
    // The window's archive, in a folder of the rig's own.
    QString archivePath() const { return m_data.filePath(QStringLiteral("Counter_VILT3.db")); }

    // The meter's answer to a "get" control line.
    QString meterState(const QString& what) {
        const QString answer = m_sim->ask("get " + what);
        return answer.startsWith("OK ") ? answer.mid(3) : answer;
    }

    template <typename T = QWidget>
    T* find(const QString& name) const {
        T* widget = m_form->findChild<T*>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }
    bool shown(const QString& name) const { return !find(name)->isHidden(); }
    QStringList shownPanels() const {
        QStringList names;
        for (const QString& name : kPanelNames)
            if (shown(name)) names << name;
        return names;
    }
    QString status(int panel) const {
        return find<QLabel>(QStringLiteral("status%1").arg(panel))->text();
    }
    app::RadioGroup* mode() const { return find<app::RadioGroup>("accessMode"); }
    void click(const QString& name) const { QTest::mouseClick(find(name), Qt::LeftButton); }

    void choosePort(const QString& name) const {
        auto* ports = find<QComboBox>("port");
        const int index = ports->findText(name);
        ports->setCurrentIndex(index);
        emit ports->activated(index);
    }
    // Fills the connection group as a user would, then presses the connect button.
    void connectAs(int accessMode, int factory, const QString& password = {}) const {
        choosePort("Com1");
        find<QSpinBox>("wait")->setValue(100);
        find<QSpinBox>("factoryNumber")->setValue(factory);
        if (!password.isEmpty()) find<QLineEdit>("password")->setText(password);
        mode()->setItemIndex(accessMode);
        click("connect");
    }

  private:
    std::unique_ptr<SimProcess> m_sim;
    QTemporaryDir m_data;
    std::unique_ptr<app::MainWindow> m_form;
};

}  // namespace vilt::test
