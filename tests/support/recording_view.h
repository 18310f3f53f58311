#pragma once
// The connection page's exchange group without widgets: it keeps what the operations set
// and records the panels shown and the message boxes raised.

#include "operation_view.h"
#include "recording_display.h"

namespace vilt::test {

class RecordingView : public ops::OperationView, public RecordingDisplay {
  public:
    ops::Group group = ops::Group::Time;
    ops::Batch batched;
    QTime time{1, 2, 3};
    QDate date{2001, 2, 3};
    QString dayName = QStringLiteral("(none)");
    bool dst = true;
    QString place;
    int speed = 0;

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
};

}  // namespace vilt::test
