# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64-posix), running the built programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANTREL_MINGW_TRIPLE x86_64-w64-mingw32)

# The posix thread model: std::thread and std::mutex need it.
find_program(CMAKE_C_COMPILER NAMES ${VANTREL_MINGW_TRIPLE}-gcc-posix ${VANTREL_MINGW_TRIPLE}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${VANTREL_MINGW_TRIPLE}-g++-posix ${VANTREL_MINGW_TRIPLE}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${VANTREL_MINGW_TRIPLE}-windres windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The GCC runtime, the C++ library and winpthread linked into every binary
# (-static), so the DLLs and programs need no MinGW DLL beside them; the
# system DLLs are still linked through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

find_program(VANTREL_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VANTREL_WINE)
  # A Wine prefix of the build's own, and no Wine debug chatter in the
  # programs' output; the same for the tests and for test discovery.
  set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all ${VANTREL_WINE})
endif()
