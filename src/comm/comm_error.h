#pragma once

#include <QString>
#include <stdexcept>

namespace vilt::comm {

// An error raised by the port component; its text is shown to the user as it stands.
class CommError : public std::runtime_error {
  public:
    // format holds one %d for the error code, e.g. "Port not open (Error: %d)".
    CommError(const char* format, int code)
        : std::runtime_error(QString::fromUtf8(format)
                                 .replace(QLatin1String("%d"), QString::number(code))
                                 .toStdString()) {}
};

inline constexpr const char* kErrAlreadyOpen = "Port already assigned (open) (Error: %d)";
inline constexpr const char* kErrNotOpen = "Port not open (Error: %d)";
inline constexpr const char* kErrDtr = "EscapeCommFunction failure (Error: %d)";
inline constexpr const char* kErrLineSettings = "Error updating DataControlBlock (Error: %d)";
// The device went away while the port was open: the adapter was pulled or the peer hung up.
inline constexpr const char* kErrDeviceLost = "Устройство порта отключено (Error: %d)";

}  // namespace vilt::comm
