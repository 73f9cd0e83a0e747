# SQLite on Windows is the system's winsqlite3.dll; nothing of SQLite is shipped.
# Target winsqlite3_import: the import library and the sqlite3.h the program includes.

if(MSVC)
  # The Windows SDK carries both the import library and the header (as winsqlite/winsqlite3.h).
  set(_winsqlite_include ${CMAKE_BINARY_DIR}/winsqlite3/include)
  file(WRITE ${_winsqlite_include}/sqlite3.h "#pragma once\n#include <winsqlite/winsqlite3.h>\n")
  add_library(winsqlite3_import INTERFACE)
  target_include_directories(winsqlite3_import INTERFACE ${_winsqlite_include})
  target_link_libraries(winsqlite3_import INTERFACE winsqlite3)
  return()
endif()

# MinGW: the header is the host's sqlite3.h, copied alone into a folder of its own so
# that nothing else of the host's /usr/include reaches the Windows build.
find_file(FERNCARD_SQLITE_HEADER sqlite3.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "sqlite3.h for the Windows build")
if(NOT FERNCARD_SQLITE_HEADER)
  message(FATAL_ERROR "sqlite3.h not found; install libsqlite3-dev or set FERNCARD_SQLITE_HEADER")
endif()
set(_winsqlite_dir ${CMAKE_BINARY_DIR}/winsqlite3)
configure_file(${FERNCARD_SQLITE_HEADER} ${_winsqlite_dir}/include/sqlite3.h COPYONLY)

# The import library is made from the list of functions we call.
set(_winsqlite_def ${CMAKE_CURRENT_LIST_DIR}/winsqlite3.def)
set(_winsqlite_lib ${_winsqlite_dir}/libwinsqlite3.a)
add_custom_command(OUTPUT ${_winsqlite_lib}
  COMMAND ${CMAKE_DLLTOOL} --input-def ${_winsqlite_def} --dllname winsqlite3.dll --output-lib ${_winsqlite_lib}
  DEPENDS ${_winsqlite_def}
  COMMENT "Import library for winsqlite3.dll")
add_custom_target(winsqlite3_import_lib DEPENDS ${_winsqlite_lib})

add_library(winsqlite3_import INTERFACE)
target_include_directories(winsqlite3_import SYSTEM INTERFACE ${_winsqlite_dir}/include)
target_link_libraries(winsqlite3_import INTERFACE ${_winsqlite_lib})
add_dependencies(winsqlite3_import winsqlite3_import_lib)

# Wine has no winsqlite3.dll. For the tests a stand-in is built from SQLite's amalgamation
# (scripts/test.sh fetches sqlite3.c) and put beside ferncard.exe and the test binaries.
set(FERNCARD_TEST_SQLITE_SOURCE "" CACHE FILEPATH "sqlite3.c to build the test stand-in of winsqlite3.dll from")
if(FERNCARD_TEST_SQLITE_SOURCE)
  add_library(winsqlite3_for_tests SHARED ${FERNCARD_TEST_SQLITE_SOURCE})
  target_compile_definitions(winsqlite3_for_tests PRIVATE "SQLITE_API=__declspec(dllexport)" SQLITE_THREADSAFE=1
    SQLITE_OMIT_LOAD_EXTENSION)
  # SQLite's own code, not ours: its warnings are not our errors.
  target_compile_options(winsqlite3_for_tests PRIVATE -w)
  set_target_properties(winsqlite3_for_tests PROPERTIES
    PREFIX "" OUTPUT_NAME winsqlite3 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_custom_command(TARGET winsqlite3_for_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:winsqlite3_for_tests> ${CMAKE_BINARY_DIR}/tests/)
endif()
