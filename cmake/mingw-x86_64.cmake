# Cross toolchain for x86-64 Windows with mingw-w64: the same sources as the 32-bit build, for
# running the end-to-end scenarios where the machine cannot execute 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
