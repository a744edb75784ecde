# Cross-build for Windows x86_64 with MinGW-w64; the runtime is linked statically
# so that no MinGW DLL has to travel with the programs. The win32 thread
# model: the posix one brings libwinpthread, which imports GetTickCount64,
# and the programs would not load on Windows XP x64 (NT 5.2). The subsystem
# version is the oldest Windows that runs them (that Windows refuses a file
# that asks for a newer one).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,5,--minor-subsystem-version,2")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--major-subsystem-version,5,--minor-subsystem-version,2")
