# Embeds the files of cmake/WebResources.cmake into the program and writes the asset table that
# src/http/assets.cpp serves them by (generated/web_assets.inc: path, identifier, content type).
#   Windows: a resource script with one RCDATA entry per file, compiled into the executable.
#   Elsewhere: a generated C++ source of byte arrays, built into the core library and read by
#   src/platform/posix/resources.cpp.
# Either way an edit under web/ is picked up by the next build.
include(${CMAKE_CURRENT_LIST_DIR}/WebResources.cmake)

set(FERNCARD_WEB_DIR ${CMAKE_SOURCE_DIR}/web)
set(FERNCARD_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(FERNCARD_WEB_FILES "")
set(_ferncard_rc_lines "")
set(_ferncard_asset_rows "")
set(_id ${FERNCARD_FIRST_WEB_RESOURCE_ID})
foreach(_file IN LISTS FERNCARD_WEB_RESOURCES)
  list(APPEND FERNCARD_WEB_FILES ${FERNCARD_WEB_DIR}/${_file})
  string(APPEND _ferncard_rc_lines "${_id} RCDATA \"${FERNCARD_WEB_DIR}/${_file}\"\n")
  if(_file STREQUAL "index.html")
    set(_path "/")
  else()
    set(_path "/${_file}")
  endif()
  if(_file MATCHES "\\.html$")
    set(_type "text/html; charset=utf-8")
  elseif(_file MATCHES "\\.css$")
    set(_type "text/css; charset=utf-8")
  elseif(_file MATCHES "\\.js$")
    set(_type "text/javascript; charset=utf-8")
  elseif(_file MATCHES "\\.png$")
    set(_type "image/png")
  elseif(_file MATCHES "\\.txt$")
    set(_type "text/plain; charset=utf-8")
  else()
    message(FATAL_ERROR "web/${_file}: no content type for its extension")
  endif()
  string(APPEND _ferncard_asset_rows "    {\"${_path}\", ${_id}, \"${_type}\"},\n")
  math(EXPR _id "${_id} + 1")
endforeach()

set(FERNCARD_EMBEDDED_SOURCES "")
set(FERNCARD_GENERATED_INCLUDE ${FERNCARD_GENERATED_DIR})
file(CONFIGURE OUTPUT ${FERNCARD_GENERATED_DIR}/web_assets.inc
  CONTENT "// Generated from cmake/WebResources.cmake; do not edit.\n${_ferncard_asset_rows}")
set(FERNCARD_EXE_RESOURCES "")

if(WIN32)
  # Icon 101 (the window class and the tray) is the favicon. Icons since Windows Vista may hold
  # PNG data, so the PNG becomes the one image (RT_ICON 1) of an icon group (RT_GROUP_ICON 101)
  # written out in the resource script; no converted file is needed.
  set(_ferncard_icon ${FERNCARD_WEB_DIR}/assets/favicon.png)
  file(SIZE ${_ferncard_icon} _icon_size)
  file(READ ${_ferncard_icon} _icon_width HEX OFFSET 16 LIMIT 4)  # big-endian width, then height
  file(READ ${_ferncard_icon} _icon_height HEX OFFSET 20 LIMIT 4)
  math(EXPR _icon_width "0x${_icon_width}")
  math(EXPR _icon_height "0x${_icon_height}")
  foreach(_side _icon_width _icon_height)  # a byte; 0 stands for 256 and more
    if(${_side} GREATER_EQUAL 256)
      set(${_side} 0)
    endif()
  endforeach()
  math(EXPR _icon_size_word "${_icon_width} + ${_icon_height} * 256" OUTPUT_FORMAT HEXADECIMAL)
  # GRPICONDIR: reserved, type 1 (icon), 1 entry; GRPICONDIRENTRY: width and height bytes, colour
  # count and reserved bytes, planes 1, 32 bits per pixel, byte count (a DWORD), image id 1.
  string(APPEND _ferncard_rc_lines
    "1 3 \"${_ferncard_icon}\"\n"
    "101 14 { 0, 1, 1, ${_icon_size_word}, 0, 1, 32, ${_icon_size}L, 1 }\n")
  list(APPEND FERNCARD_WEB_FILES ${_ferncard_icon})

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
