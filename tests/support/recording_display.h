#pragma once
// Result panels, status bar and message boxes without widgets: what was shown, recorded.

#include <QList>
#include <QStringList>
#include <set>

#include "panels.h"

namespace vilt::test {

class RecordingDisplay : public virtual link::Display {
  public:
    std::set<link::Panel> visible;
    QList<link::Panel> shown;  // every panel shown, in order
    QString status[2];
    QStringList messages;

    void setPanelVisible(link::Panel panel, bool on) override {
        if (on) {
            visible.insert(panel);
            shown << panel;
        } else {
            visible.erase(panel);
        }
    }
    bool panelVisible(link::Panel panel) const override { return visible.count(panel) > 0; }
    void setStatus(int panel, const QString& text) override { status[panel] = text; }
    void message(const QString& text) override { messages << text; }

    // The one panel on top, as the user sees it.
    std::optional<link::Panel> top() const {
        if (visible.empty()) return std::nullopt;
        return *visible.rbegin();
    }
};

}  // namespace vilt::test
