#pragma once
// The result panels, in covering order: a later panel covers an earlier one.

#include <QString>

namespace vilt::link {

enum class Panel {
    Net_cv,
    Cv_ok,
    Cv_ok_rd,
    Cv_ok_rd_wr,
    No_pass,
    Ok_rtar,
    Ok_are,
    Ok_wrplase,
    Ok_reset,
    Ok_wrtar,
    Ok_rdtime,
    Ok_stime,
    Ok_wrtime,
    Ok_rdevent,
    Ok_s_512,
    Ok_rd_kalib,
    Ok_wr_kalib,
    Ok_wr_serNum,
    Ok_rd_sr30,
    Net_sr,
    Ok_Sk,
    Ok_wr_password,
};

inline constexpr int kPanelCount = 22;

// Shows outcomes to the user: result panels, the status bar and message boxes.
class Display {
  public:
    virtual ~Display() = default;
    virtual void setPanelVisible(Panel panel, bool visible) = 0;
    virtual bool panelVisible(Panel panel) const = 0;
    // Panel 0 carries exchange texts, panel 1 the factory number in view.
    virtual void setStatus(int statusPanel, const QString& text) = 0;
    virtual void message(const QString& text) = 0;
};

// The hide-all step: every result panel hidden.
void hideAllPanels(Display& display);

}  // namespace vilt::link
