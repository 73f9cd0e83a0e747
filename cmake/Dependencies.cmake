# What the program links against, per platform.
find_package(Threads REQUIRED)
add_library(ferncard_platform_libs INTERFACE)
target_link_libraries(ferncard_platform_libs INTERFACE Threads::Threads)

if(WIN32)
  # Windows: the system's winsqlite3.dll and CNG; nothing of our own is shipped.
  include(${CMAKE_CURRENT_LIST_DIR}/WinSqlite.cmake)
  target_link_libraries(ferncard_platform_libs INTERFACE winsqlite3_import bcrypt ws2_32 shell32 ole32 uuid advapi32 user32 comdlg32)
  # Wide-character Windows functions, Windows 10 and later.
  target_compile_definitions(ferncard_platform_libs INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
else()
  find_package(SQLite3 REQUIRED)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_link_libraries(ferncard_platform_libs INTERFACE SQLite::SQLite3 OpenSSL::Crypto)
endif()
