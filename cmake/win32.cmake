# The product as shipped: 32-bit Windows; its tests run in the QEMU guest (scripts/win32-guest).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LEAFMARK_MINGW_PREFIX i686-w64-mingw32)
set(LEAFMARK_TARGET win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
