#include "comm/open_failure.h"

#include <QFile>
#include <optional>

#include "comm/port_map.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vilt::comm {

namespace {

OpenFailure failure(OpenProblem problem, const QString& device, const QString& group = {},
                    const QString& detail = {}) {
    return OpenFailure{problem, device, group, detail};
}

#ifndef Q_OS_WIN
QString groupName(gid_t id) {
    const group* entry = ::getgrgid(id);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(id);
}

// NoDevice or NoRights when the file system tells; none when the device is there to use.
std::optional<OpenFailure> lookAtDevice(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    struct stat status {};
    if (::stat(file.constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return failure(OpenProblem::NoDevice, path);
        return std::nullopt;
    }
    if (::faccessat(AT_FDCWD, file.constData(), R_OK | W_OK, AT_EACCESS) == 0 || errno != EACCES)
        return std::nullopt;
    return failure(OpenProblem::NoRights, path, groupName(status.st_gid));
}
#else
std::optional<OpenFailure> lookAtDevice(const QString&) {
    return std::nullopt;
}
#endif

}  // namespace

OpenFailure examineOpenFailure(const QString& name, PortRefusal said, const QString& detail) {
    const QString path = devicePath(name);
    if (path.isEmpty()) return failure(OpenProblem::NoDevice, name);
    if (auto seen = lookAtDevice(path)) return *seen;
    switch (said) {
        case PortRefusal::Denied:
            return failure(OpenProblem::Busy, path);
        case PortRefusal::NotFound:
            return failure(OpenProblem::NoDevice, path);
        case PortRefusal::Other:
            break;
    }
    return failure(OpenProblem::Other, path, {}, detail);
}

}  // namespace vilt::comm
