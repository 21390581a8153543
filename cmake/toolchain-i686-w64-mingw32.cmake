# Cross-compiling for i686 Windows with Debian's MinGW-w64 (posix thread model;
# the deliverables link with the win32 model, see KoltaBuild.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KOLTA_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
