#pragma once
// What the Read and Write operations read from and show on the connection page.

#include <QDate>
#include <QString>
#include <QTime>

#include "panels.h"

namespace vilt::ops {

// The operation groups, in the order of their radio buttons.
enum class Group { Time, Energy, Tariff, Event, Place, Reset, Speed };

// The invisible batch check boxes: a checked group is read as if it were selected.
struct Batch {
    bool time = false;
    bool energy = false;
    bool tariff = false;
    bool event = false;
};

class OperationView : public virtual link::Display {
  public:
    virtual Group selectedGroup() const = 0;
    virtual Batch batch() const = 0;

    // The clock group: date and time pickers, day name, DST permission box.
    virtual QTime clockTime() const = 0;
    virtual QDate clockDate() const = 0;
    virtual void setClockTime(const QTime& time) = 0;
    virtual void setClockDate(const QDate& date) = 0;
    virtual void showDayName(const QString& name) = 0;
    virtual bool dstAllowed() const = 0;
    virtual void setDstAllowed(bool allowed) = 0;

    virtual QString placeText() const = 0;
    virtual int speedIndex() const = 0;  // -1: nothing selected

    virtual void repaintWindow() = 0;
};

}  // namespace vilt::ops
