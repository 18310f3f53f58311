#pragma once
// The result panels, in covering order: a later panel covers an earlier one.

namespace vilt::app {

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
    Stopped,  // the user stopped the operation; beyond the classic 22
};

inline constexpr int kPanelCount = 23;

}  // namespace vilt::app
