#pragma once
// The connection controls without a window: it keeps what the window would show, so the
// command line opens sessions exactly as the connect button does.

#include <QString>
#include <QStringList>
#include <set>

#include "operation_view.h"
#include "session.h"

namespace vilt::cli {

class HeadlessView : public link::SessionView, public ops::OperationView {
  public:
    HeadlessView(int mode, uint32_t factory, QString password)
        : m_mode(mode), m_factory(factory), m_password(std::move(password)) {}

    void setPanelVisible(link::Panel panel, bool visible) override;
    bool panelVisible(link::Panel panel) const override { return m_visible.count(panel) > 0; }
    void setStatus(int statusPanel, const QString& text) override;
    void message(const QString& text) override;
    int accessMode() const override { return m_mode; }
    uint32_t factoryNumber() const override { return m_factory; }
    void setFactoryNumber(uint32_t number) override;
    QString passwordText() const override { return m_password; }
    void setInfo(const QString& place, const QString& model, const QString& version) override;
    void setConnectShown(bool) override {}
    void enableOperations() override {}
    void repaintWindow() override {}

    // OperationView: the exchange group's controls, set by the command.
    ops::Group selectedGroup() const override { return m_group; }
    ops::Batch batch() const override { return {}; }
    QTime clockTime() const override { return m_time; }
    QDate clockDate() const override { return m_date; }
    void setClockTime(const QTime& time) override { m_time = time; }
    void setClockDate(const QDate& date) override { m_date = date; }
    void showDayName(const QString& name) override { m_dayName = name; }
    bool dstAllowed() const override { return m_dst; }
    void setDstAllowed(bool allowed) override { m_dst = allowed; }
    QString placeText() const override { return m_placeText; }
    int speedIndex() const override { return m_speedIndex; }

    void selectGroup(ops::Group group) { m_group = group; }
    void setPlaceText(const QString& text) { m_placeText = text; }
    void setSpeedIndex(int index) { m_speedIndex = index; }
    QString dayName() const { return m_dayName; }
    // Message boxes the commands raised, in order.
    QStringList messages() const { return m_messages; }

    // What the status bar's first panel says, or the refused password above all.
    QString failureText() const;

    QString place() const { return m_place; }
    QString model() const { return m_model; }
    QString version() const { return m_version; }

  private:
    int m_mode;
    uint32_t m_factory;
    QString m_password;
    std::set<link::Panel> m_visible;
    QString m_status;
    QString m_place, m_model, m_version;
    QStringList m_messages;
    ops::Group m_group = ops::Group::Time;
    QTime m_time;
    QDate m_date;
    QString m_dayName;
    bool m_dst = true;
    QString m_placeText;
    int m_speedIndex = 0;
};

}  // namespace vilt::cli
