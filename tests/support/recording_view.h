#pragma once
// The connection page's exchange group without widgets: it keeps what the operations set
// and records the panels shown and the message boxes raised.

#include <QStringList>
#include <set>

#include "operation_view.h"

namespace vilt::test {

class RecordingView : public ops::OperationView {
  public:
    std::set<link::Panel> visible;
    QString status[2];
    QStringList messages;
    ops::Group group = ops::Group::Time;
    ops::Batch batched;
    QTime time{1, 2, 3};
    QDate date{2001, 2, 3};
    QString dayName = QStringLiteral("(none)");
    bool dst = true;
    QString place;
    int speed = 0;

    void setPanelVisible(link::Panel panel, bool on) override {
        if (on) {
            visible.insert(panel);
        } else {
            visible.erase(panel);
        }
    }
    bool panelVisible(link::Panel panel) const override { return visible.count(panel) > 0; }
    void setStatus(int panel, const QString& text) override { status[panel] = text; }
    void message(const QString& text) override { messages << text; }
    ops::Group selectedGroup() const override { return group; }
    ops::Batch batch() const override { return batched; }
    QTime clockTime() const override { return time; }
    QDate clockDate() const override { return date; }
    void setClockTime(const QTime& t) override { time = t; }
    void setClockDate(const QDate& d) override { date = d; }
    void showDayName(const QString& name) override { dayName = name; }
    bool dstAllowed() const override { return dst; }
    void setDstAllowed(bool allowed) override { dst = allowed; }
    QString placeText() const override { return place; }
    int speedIndex() const override { return speed; }
    void repaintWindow() override {}

    // The one panel on top, as the user sees it.
    std::optional<link::Panel> top() const {
        if (visible.empty()) return std::nullopt;
        return *visible.rbegin();
    }
};

}  // namespace vilt::test
