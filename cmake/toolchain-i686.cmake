# Cross-compiles the i686 release with Debian's MinGW-w64, win32 thread model, static runtime.
# The posix model would link winpthread, whose imports (GetTickCount64 and others) Windows 95 to XP lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSARY_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${TESSARY_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TESSARY_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${TESSARY_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSARY_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows 95 and NT 4 refuse an image that asks for a later system or subsystem version.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--major-os-version,4 -Wl,--minor-os-version,0 -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0")
