# Embeds the files of web/ into the program under the identifiers of cmake/WebResources.cmake.
#   Windows: a resource script with one RCDATA entry per file, compiled into the executable.
#   Elsewhere: a generated C++ source of byte arrays, built into the core library and read by
#   src/platform/posix/resources.cpp.
# Either way an edit under web/ is picked up by the next build.
include(${CMAKE_CURRENT_LIST_DIR}/WebResources.cmake)

set(FERNCARD_WEB_DIR ${CMAKE_SOURCE_DIR}/web)
set(FERNCARD_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(FERNCARD_WEB_FILES "")
set(_ferncard_rc_lines "")
list(LENGTH FERNCARD_WEB_RESOURCES _ferncard_count)
math(EXPR _ferncard_last "${_ferncard_count} - 1")
foreach(_index RANGE 0 ${_ferncard_last} 2)
  math(EXPR _next "${_index} + 1")
  list(GET FERNCARD_WEB_RESOURCES ${_index} _id)
  list(GET FERNCARD_WEB_RESOURCES ${_next} _file)
  list(APPEND FERNCARD_WEB_FILES ${FERNCARD_WEB_DIR}/${_file})
  string(APPEND _ferncard_rc_lines "${_id} RCDATA \"${FERNCARD_WEB_DIR}/${_file}\"\n")
endforeach()

set(FERNCARD_EMBEDDED_SOURCES "")
set(FERNCARD_GENERATED_INCLUDE "")
set(FERNCARD_EXE_RESOURCES "")

if(WIN32)
  set(_ferncard_rc ${FERNCARD_GENERATED_DIR}/ferncard_web.rc)
  file(CONFIGURE OUTPUT ${_ferncard_rc} CONTENT "${_ferncard_rc_lines}")
  # The resource compiler does not report RCDATA files as dependencies; name them here.
  set_source_files_properties(${_ferncard_rc} PROPERTIES OBJECT_DEPENDS "${FERNCARD_WEB_FILES}")
  set(FERNCARD_EXE_RESOURCES ${_ferncard_rc})
else()
  set(_ferncard_embedded ${FERNCARD_GENERATED_DIR}/embedded_web.cpp)
  add_custom_command(
    OUTPUT ${_ferncard_embedded}
    COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${FERNCARD_WEB_DIR} -DOUTPUT=${_ferncard_embedded}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedWebSource.cmake
    DEPENDS ${FERNCARD_WEB_FILES} ${CMAKE_SOURCE_DIR}/cmake/EmbedWebSource.cmake
            ${CMAKE_SOURCE_DIR}/cmake/WebResources.cmake
    COMMENT "Embedding the web client"
    VERBATIM)
  set(FERNCARD_EMBEDDED_SOURCES ${_ferncard_embedded})
endif()
