# `cmake --install`: the program and its command-string shell, their manual pages, the desktop
# entry, the icon in the hicolor theme and the software-centre description (AppStream).
# The rules are added at the end of the top folder, so this file may be included anywhere.
include(GNUInstallDirs)

# What the software centre and the package say of the program. The version is the project's.
set(STILLMAR_APP_ID org.stillmar.Stillmar)
set(STILLMAR_RELEASE_DATE 2026-12-07)
set(STILLMAR_RELEASE_NOTES "First release: playback, exact seeking and still-frame capture to BMP files.")
set(STILLMAR_RELEASE_NOTES_FR
    "Première version : lecture, déplacement exact et capture d’images fixes en BMP.")
# No licence has been granted yet: the owner's choice, written here as an SPDX expression,
# goes into the AppStream file and the package's copyright file.
set(STILLMAR_LICENSE LicenseRef-proprietary)

# The AppStream file, with the file types of the desktop entry.
function(stillmar_configure_metainfo out)
  set(desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${desktop}/stillmar.desktop)
  file(STRINGS ${desktop}/stillmar.desktop mime_line REGEX "^MimeType=")
  # file(STRINGS) keeps the line's semicolons escaped.
  string(REGEX REPLACE "^MimeType=" "" mime_line "${mime_line}")
  string(REPLACE "\\;" ";" mime_line "${mime_line}")
  set(STILLMAR_MEDIATYPES "")
  foreach(type IN LISTS mime_line)
    if(type)
      string(APPEND STILLMAR_MEDIATYPES "    <mediatype>${type}</mediatype>\n")
    endif()
  endforeach()
  string(REGEX REPLACE "\n$" "" STILLMAR_MEDIATYPES "${STILLMAR_MEDIATYPES}")
  configure_file(${desktop}/stillmar.metainfo.xml.in ${out} @ONLY)
endfunction()

function(stillmar_install_rules)
  set(desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
  install(TARGETS stillmar stillmar-mci RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/man/stillmar.1
                ${CMAKE_SOURCE_DIR}/resources/man/stillmar-mci.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${desktop}/stillmar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(metainfo ${CMAKE_BINARY_DIR}/${STILLMAR_APP_ID}.metainfo.xml)
  stillmar_configure_metainfo(${metainfo})
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${desktop}/icons/${size}x${size}/stillmar.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  # Refresh the desktop's caches when installing into the live system; a DESTDIR staging
  # folder is left to its packaging.
  install(CODE [[
    if("$ENV{DESTDIR}" STREQUAL "")
      find_program(_gtk_cache gtk-update-icon-cache)
      if(_gtk_cache AND EXISTS "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/index.theme")
        execute_process(COMMAND ${_gtk_cache} -q -t -f
                                "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor")
      endif()
      find_program(_desktop_db update-desktop-database)
      if(_desktop_db)
        execute_process(COMMAND ${_desktop_db} -q "${CMAKE_INSTALL_PREFIX}/share/applications")
      endif()
    endif()
  ]])
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL stillmar_install_rules)
