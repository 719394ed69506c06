# Cross build for 32-bit Windows: the shipped executable. Its tests run here
# under Wine as WoW64 (the wine32:i386 loader).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORDWELL_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
