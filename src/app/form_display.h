#pragma once
// Pages show outcomes on the window's shared panels, status bar and message boxes.

#include "panels.h"

namespace vilt::app {

class FormDisplay : public virtual link::Display {
  public:
    explicit FormDisplay(link::Display& form) : m_form(form) {}

    void setPanelVisible(link::Panel panel, bool visible) override {
        m_form.setPanelVisible(panel, visible);
    }
    bool panelVisible(link::Panel panel) const override { return m_form.panelVisible(panel); }
    void setStatus(int statusPanel, const QString& text) override {
        m_form.setStatus(statusPanel, text);
    }
    void message(const QString& text) override { m_form.message(text); }

  private:
    link::Display& m_form;
};

}  // namespace vilt::app
