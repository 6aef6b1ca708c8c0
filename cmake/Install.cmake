# `cmake --install`: the program and its command-string shell, their manual pages, the desktop
# entry and the icon in the hicolor theme.
# The rules are added at the end of the top folder, so this file may be included anywhere.
include(GNUInstallDirs)

function(stillmar_install_rules)
  set(desktop ${CMAKE_SOURCE_DIR}/resources/desktop)
  install(TARGETS stillmar stillmar-mci RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/man/stillmar.1
                ${CMAKE_SOURCE_DIR}/resources/man/stillmar-mci.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${desktop}/stillmar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
