# Cross build for 64-bit Windows with MinGW-w64 on Linux:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The posix thread model is asked for by name: the win32 model, the default on some
# machines, has no std::thread. The runtime libraries are linked statically, so
# ferncard.exe is one file that runs on a bare Windows 10 or 11.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FERNCARD_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER ${FERNCARD_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${FERNCARD_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${FERNCARD_MINGW_TRIPLE}-windres REQUIRED)
find_program(CMAKE_DLLTOOL ${FERNCARD_MINGW_TRIPLE}-dlltool REQUIRED)

# Look for headers and libraries only in the MinGW tree, never in the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${FERNCARD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest (and test discovery) runs the Windows binaries through Wine, by a script that tries once
# more when Wine fails a start before the program has printed anything.
find_program(FERNCARD_WINE wine)
if(FERNCARD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-test.sh ${FERNCARD_WINE})
endif()
