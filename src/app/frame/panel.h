#pragma once
// The result panels, in covering order: a later panel covers an earlier one.

namespace vilt::app {

enum class Panel {
    NoLink,
    Connected,
    ConnectedRead,
    ConnectedReadWrite,
    WrongPassword,
    TariffsRead,
    EnergyRead,
    PlaceWritten,
    ResetDone,
    TariffsWritten,
    ClockRead,
    ClockSynced,
    ClockWritten,
    EventsRead,
    Output512On,
    CalibrationRead,
    CalibrationWritten,
    MeterNumberWritten,
    ProfileRead,
    NoProfile,
    SpeedChanged,
    PasswordChanged,
    Stopped,  // the user stopped the operation; beyond the classic 22
};

inline constexpr int kPanelCount = 23;

}  // namespace vilt::app
