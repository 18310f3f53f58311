#pragma once
// The connection controls without a window: it keeps what the window would show, so the
// command line opens sessions exactly as the connect button does.

#include <QString>
#include <QTextStream>
#include <set>

#include "session.h"

namespace vilt::cli {

class HeadlessView : public link::SessionView {
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
};

}  // namespace vilt::cli
