#pragma once
// The 22 result panels: one spot, later panels covering earlier ones.

#include <QLabel>
#include <array>

#include "app/frame/panel.h"

namespace vilt::app {

class ResultPanels {
  public:
    // Creates the panels on parent at geometry, hidden, in covering order.
    ResultPanels(QWidget* parent, const QRect& geometry);

    void setVisible(Panel panel, bool visible);
    void hideAll();
    QLabel* label(Panel panel) const { return m_labels[static_cast<size_t>(panel)]; }

  private:
    std::array<QLabel*, kPanelCount> m_labels{};
};

}  // namespace vilt::app
