#pragma once
// Why a port would not open, as a value the window and the command line put into words.

#include <QString>

namespace vilt::comm {

enum class OpenProblem {
    NoDevice,  // nothing at the path, or a port name that reaches no device
    NoRights,  // the device is there, but this user may not read and write it
    Busy,      // the device is there and may be used, but another program holds it
    Other      // anything else: the system's own words say what
};

struct OpenFailure {
    OpenProblem problem = OpenProblem::Other;
    QString device;  // the device path tried; the port name when it reaches no device
    QString group;   // NoRights: the group that may use the device
    QString detail;  // Other: the system's words
};

// What the port itself said when it refused the device.
enum class PortRefusal { Denied, NotFound, Other };

// Looks at the device behind a port name after the port refused it. The file system says
// whether the device is there and whether this user may use it; a device that may be used
// but was denied is held by another program (the port's lock).
OpenFailure examineOpenFailure(const QString& name, PortRefusal said, const QString& detail);

}  // namespace vilt::comm
