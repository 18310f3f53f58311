# The Debian package, built by `cpack -G DEB` in a build folder (scripts/check-package.sh).
# Included from the top CMakeLists once the programs' targets exist.

set(VILT_PACKAGE_VERSION 1.0.0)
set(VILT_PACKAGE_RELEASE 1)
set(VILT_PACKAGE_FULL_VERSION ${VILT_PACKAGE_VERSION}-${VILT_PACKAGE_RELEASE})
set(VILT_PACKAGE_MAINTAINER "the ВИЛТ service tool developers <vilt-service@example.org>")

add_subdirectory(packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vilt-service)
set(CPACK_PACKAGE_VERSION ${VILT_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "the ВИЛТ service tool developers")
set(CPACK_PACKAGE_CONTACT "${VILT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for VILT electricity meters")
# The extended description as it shows in the package, lines under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Reads and programs electricity meters of the VILT3/VILT1 families over a
serial line (an RS-485 adapter) or a dial-up modem: energy counters and
month-end readings, the clock, event journals, the tariff schedule and
special days, daily power profiles, load limits, password, link speed and
place of installation. Readings are stored in an SQLite file or on a
PostgreSQL server.

The package holds the desktop window (vilt-service), the command line for
scripts and rounds of meters (vilt-cli) and a virtual meter on a
pseudo-terminal for demonstrations and training (vilt-sim).")
set(CPACK_STRIP_FILES ON)
# cpack installs what the build made without building everything first (tests, benchmarks):
# scripts/check-package.sh builds the programs and the packaged files before it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VILT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VILT_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link; the SQL drivers are plugins Qt
# loads at run time, which it cannot see, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
# Qt's own dialog buttons in Russian.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
