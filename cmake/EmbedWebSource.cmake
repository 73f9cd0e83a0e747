# cmake -DWEB_DIR=<web folder> -DOUTPUT=<file.cpp> -P EmbedWebSource.cmake
# Writes a C++ source holding every file of cmake/WebResources.cmake as a byte array.
include(${CMAKE_CURRENT_LIST_DIR}/WebResources.cmake)

string(REPEAT "0x[0-9a-f][0-9a-f]," 24 _row)
set(_arrays "")
set(_entries "")
set(_id ${FERNCARD_FIRST_WEB_RESOURCE_ID})
foreach(_file IN LISTS FERNCARD_WEB_RESOURCES)
  if(NOT EXISTS ${WEB_DIR}/${_file})
    message(FATAL_ERROR "web/${_file} is missing")
  endif()
  file(SIZE ${WEB_DIR}/${_file} _size)
  file(READ ${WEB_DIR}/${_file} _hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(REGEX REPLACE "(${_row})" "\\1\n" _bytes "${_bytes}")
  # A trailing zero keeps the array non-empty for an empty file; the size leaves it out.
  string(APPEND _arrays "// web/${_file}\nconst unsigned char kResource${_id}[] = {\n${_bytes}0x00};\n\n")
  string(APPEND _entries "    {${_id}, kResource${_id}, ${_size}},\n")
  math(EXPR _id "${_id} + 1")
endforeach()

file(WRITE ${OUTPUT}.tmp
"// Generated from the files of web/ by cmake/EmbedWebSource.cmake; do not edit.
#include \"platform/posix/embedded_resources.h\"

namespace {

${_arrays}}  // namespace

namespace platform {

const EmbeddedResource kEmbeddedResources[] = {
${_entries}};
const std::size_t kEmbeddedResourceCount = sizeof(kEmbeddedResources) / sizeof(kEmbeddedResources[0]);

}  // namespace platform
")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
