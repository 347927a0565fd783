# Cross-compiling the 32-bit Windows program on Debian with MinGW-w64
# (g++-mingw-w64-i686): cmake --preset windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VELMO_MINGW_TRIPLE i686-w64-mingw32)

# The win32 thread model needs no threading library at all; the posix one
# (winpthreads, linked statically) serves as well where it is the only one.
find_program(CMAKE_CXX_COMPILER
  NAMES ${VELMO_MINGW_TRIPLE}-g++-win32 ${VELMO_MINGW_TRIPLE}-g++-posix ${VELMO_MINGW_TRIPLE}-g++
  REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELMO_MINGW_TRIPLE}-windres REQUIRED)

# Libraries and headers come from the MinGW sysroot only; programs run
# during the build (cmake itself) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VELMO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: the C and C++ runtimes are linked in, so
# Velmo.exe imports nothing but Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release executable carries no symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
