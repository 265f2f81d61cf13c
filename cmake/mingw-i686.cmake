# Cross toolchain for 32-bit x86 Windows with mingw-w64 (Debian's default posix thread model;
# the programs use no threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
