# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers (the
# posix thread model, which GoogleTest's threads need). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVLIN_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${TAVLIN_MINGW_TRIPLE}-gcc-posix ${TAVLIN_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TAVLIN_MINGW_TRIPLE}-g++-posix ${TAVLIN_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TAVLIN_MINGW_TRIPLE}-windres)
# Libraries for the target are found in the compiler's own tree and in
# TAVLIN_TARGET_PREFIX, where scripts/windows puts the ones Debian builds
# only for Linux (yaml-cpp cross-built, nlohmann-json's headers); never in
# /usr, whose headers and libraries are Linux's.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVLIN_MINGW_TRIPLE})
if(TAVLIN_TARGET_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TAVLIN_TARGET_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${TAVLIN_TARGET_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the C++ runtime inside them, so that a copied .exe runs
# alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TAVLIN_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TAVLIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVLIN_WINE})
endif()
