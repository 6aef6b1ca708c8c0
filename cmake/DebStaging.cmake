# Run by cpack once the install is staged, before the package is made (CPACK_PRE_BUILD_SCRIPTS
# of cmake/Package.cmake): what a Debian package carries beyond `cmake --install`, that is its
# manual pages compressed and, in /usr/share/doc/stillmar, its copyright and changelog.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${usr}/bin")
  message(FATAL_ERROR "no staged install in ${usr}")
endif()

# gzip -n: no name or time stamp inside, so the same pages give the same bytes.
function(gzip_file file)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

file(GLOB pages "${usr}/share/man/man*/*.[0-9]")
foreach(page IN LISTS pages)
  gzip_file("${page}")
endforeach()

set(doc "${usr}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
string(SUBSTRING "${CPACK_STILLMAR_RELEASE_DATE}" 0 4 year)
file(WRITE "${doc}/copyright" "\
${CPACK_PACKAGE_NAME} ${CPACK_PACKAGE_VERSION}

Copyright ${year} ${CPACK_PACKAGE_VENDOR}
License (SPDX): ${CPACK_STILLMAR_LICENSE}
")
if(CPACK_STILLMAR_LICENSE STREQUAL "LicenseRef-proprietary")
  file(APPEND "${doc}/copyright" "\
 No licence has been granted: all rights are reserved by the copyright holders.
")
endif()

# A package without a revision is native: its changelog is changelog.gz, in Debian's format.
execute_process(COMMAND date -u -R -d "${CPACK_STILLMAR_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE when OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "release date ${CPACK_STILLMAR_RELEASE_DATE} not understood")
endif()
file(WRITE "${doc}/changelog" "\
${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * ${CPACK_STILLMAR_RELEASE_NOTES}

 -- ${CPACK_PACKAGE_CONTACT}  ${when}
")
gzip_file("${doc}/changelog")
file(CHMOD "${doc}/copyright" "${doc}/changelog.gz"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
