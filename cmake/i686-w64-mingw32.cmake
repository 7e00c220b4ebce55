# Cross build for 32-bit Windows with the MinGW-w64 toolchain (Debian: g++-mingw-w64-i686).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CADENTRA_MINGW_PREFIX i686-w64-mingw32)
# The posix thread model: its standard library has std::mutex, which GoogleTest needs. The thread
# library it brings is linked statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${CADENTRA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CADENTRA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CADENTRA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CADENTRA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The plug-in and the stand-in host carry their runtime with them: no MinGW DLL is needed beside
# them, only the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
