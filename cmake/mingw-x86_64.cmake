set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Fully static: no libgcc, libstdc++ or winpthread DLL beside the .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The 64-bit loader (package wine64) and its server, named directly: "wine" and
# the wine* scripts choose the 32-bit loader whenever wine32 is installed, even
# on machines that cannot run it.
set(QUAVEL_WINE_LOADER /usr/lib/wine/wine64)
set(QUAVEL_WINE_SERVER /usr/lib/wine/wineserver64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUAVEL_WINE_LOADER})
