# GoogleTest for builds without an installed copy for the target (the MinGW cross build,
# MSVC): compiled from its sources, by default Debian's /usr/src/googletest.
# Gives the targets GTest::gtest and GTest::gtest_main.
set(FERNCARD_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
if(NOT EXISTS ${FERNCARD_GOOGLETEST_SOURCE}/CMakeLists.txt)
  find_package(GTest REQUIRED)
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)

# GoogleTest's own warnings must not fail our -Werror: its folder gets no warning options.
get_directory_property(_ferncard_options COMPILE_OPTIONS)
if(MSVC)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "/W0;/utf-8")
else()
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "-w")
endif()
add_subdirectory(${FERNCARD_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_ferncard_options}")

# Its headers are included as system headers, so our warning options skip them too.
foreach(_target gtest gtest_main)
  get_target_property(_includes ${_target} INTERFACE_INCLUDE_DIRECTORIES)
  set_target_properties(${_target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${_includes}")
endforeach()
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
