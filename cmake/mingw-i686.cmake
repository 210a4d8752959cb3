# Cross toolchain: 32-bit Windows (the shipped product).
# mingw's "win32" thread model, not "posix": the posix model's winpthreads
# imports functions Windows 98 SE and NT 4.0 lack (see cmake/Windows.cmake for
# what it means for Boost.Regex).  The x86_64 build, the one the tests run,
# uses the same model as the shipped i686 one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CORVANE_OBJDUMP i686-w64-mingw32-objdump)
