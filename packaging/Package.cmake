# The Debian package: `cpack -G DEB` in the build folder (scripts/package) turns the installation
# under /usr into build/lumetra-image-search_<version>_<arch>.deb.

set(LIS_PACKAGE_MAINTAINER "Lumetra Image Search maintainers <packaging@lumetra.io>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumetra-image-search)
set(CPACK_PACKAGE_VENDOR Lumetra)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${LIS_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find pictures by name and rank them by image quality")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumetra Image Search finds the image files whose names begin with a keyword
under a folder, ranks them by sharpness, noise, exposure, contrast and JPEG
compression, and shows the ranking as a report, pages of thumbnails and a
full-screen preview. A second window copies the chosen results to an output
folder.

The same search runs from the command line, printing the report as a table,
CSV or JSON.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps names the libraries the program and the ranking library link (Qt, OpenCV,
# SQLite, libjpeg-turbo). Qt's X11 platform plugin comes with libqt6gui6 among them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no linker sees: the windows ask for Tahoma and Arial, whose metric-compatible faces
# fonts-wine and fonts-liberation2 hold; text that names no face takes fontconfig's sans-serif,
# which on a system with only those fonts is Liberation Mono, so DejaVu Sans comes along; and
# TIFF pictures are read through Qt's image format plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wine, fonts-liberation2, fonts-dejavu-core, qt6-image-formats-plugins")
# Wayland sessions get native windows (X11 through XWayland otherwise); "Online Help" opens the
# help page with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")

include(CPack)
