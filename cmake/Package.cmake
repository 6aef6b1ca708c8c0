# `cpack -G DEB` in a Release build folder writes stillmar_<version>_amd64.deb: what
# `cmake --install` puts in place, under /usr, stripped, with the library dependencies computed
# by dpkg-shlibdeps (package dpkg-dev). cmake/DebStaging.cmake adds what a Debian package
# carries besides (compressed manual pages, copyright, changelog).
# Included right after project(), once cmake/Install.cmake has set the program's facts.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stillmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Stillmar developers")
# Stands for the maintainers' address until they give one (a reserved domain: it reaches no one).
set(STILLMAR_MAINTAINER "The Stillmar developers <maintainers@stillmar.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${STILLMAR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video player that saves still frames as BMP pictures")
set(CPACK_PACKAGE_DESCRIPTION [=[
Stillmar plays a video in a French window and saves still frames of it:
choose how many frames to take (1 to 99) and press the Capturer button: one
frame per second of video, from the second shown on, is written as a 24-bit
BMP picture while the video plays on. Seeking is exact: each picture is the
frame of its second, not the nearest keyframe.

It plays the usual video files (MP4, MKV, WebM, MOV, AVI, MPEG, WMV...),
sound and MIDI files. The package also holds stillmar-mci, a shell that
reads multimedia command strings on standard input.]=])

# Everything under /usr; DESTDIR names the staging folder, so the install's cache refresh
# (cmake/Install.cmake) leaves the package alone.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the program loads by name rather than links: the General MIDI sound font and Qt's
# French catalogue. The desktop's opener shows captured pictures in their viewer.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebStaging.cmake)
set(CPACK_STILLMAR_LICENSE "${STILLMAR_LICENSE}")
set(CPACK_STILLMAR_RELEASE_DATE "${STILLMAR_RELEASE_DATE}")
set(CPACK_STILLMAR_RELEASE_NOTES "${STILLMAR_RELEASE_NOTES}")

include(CPack)
