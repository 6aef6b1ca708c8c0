# Which headers a target may include. Headers are named from the top folder
# ("platform/mci/service.h"), but the top folder is no include directory: each library offers
# its own folder's headers, and only those, through a folder of links in the build tree
# (include/<target>/<folder>/<header>). A target sees the headers of the libraries it links and
# nothing else, so a platform/ file that includes a window header does not build.
#
#   stillmar_headers(TARGET [FOLDER folder] [HEADERS name.h...])
#
# FOLDER defaults to the current source folder; HEADERS to every header of the folder that no
# other target has taken (so the one taking a few headers of a shared folder comes first).
function(stillmar_headers target)
  cmake_parse_arguments(ARG "" "FOLDER" "HEADERS" ${ARGN})
  if(NOT ARG_FOLDER)
    file(RELATIVE_PATH ARG_FOLDER ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(source ${CMAKE_SOURCE_DIR}/${ARG_FOLDER})
  get_property(taken GLOBAL PROPERTY STILLMAR_TAKEN_HEADERS)
  if(NOT ARG_HEADERS)
    file(GLOB found CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h)
    foreach(name ${found})
      if(NOT "${ARG_FOLDER}/${name}" IN_LIST taken)
        list(APPEND ARG_HEADERS ${name})
      endif()
    endforeach()
  endif()

  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${ARG_FOLDER})
  foreach(name ${ARG_HEADERS})
    if(NOT EXISTS ${source}/${name})
      message(FATAL_ERROR "stillmar_headers(${target}): no ${ARG_FOLDER}/${name}")
    endif()
    file(CREATE_LINK ${source}/${name} ${root}/${ARG_FOLDER}/${name} SYMBOLIC)
    set_property(GLOBAL APPEND PROPERTY STILLMAR_TAKEN_HEADERS ${ARG_FOLDER}/${name})
  endforeach()

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
