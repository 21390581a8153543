# Cross-compiling for x86_64 Windows with Debian's MinGW-w64 (posix thread model;
# the deliverables link with the win32 model, see KoltaBuild.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KOLTA_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
