# Shared part of the two MinGW toolchain files; KOLTA_TRIPLE names the target.
set(CMAKE_C_COMPILER ${KOLTA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOLTA_TRIPLE}-g++-posix)
# The driver of the win32 thread model: the deliverables link with it (KoltaBuild.cmake).
set(KOLTA_WIN32_MODEL_CXX ${KOLTA_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${KOLTA_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${KOLTA_TRIPLE}-dlltool)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries come from the MinGW sysroot (zlib) and from the prefixes that
# scripts/bootstrap.sh built (libpng, libjpeg-turbo).
set(CMAKE_FIND_ROOT_PATH /usr/${KOLTA_TRIPLE})
get_filename_component(_kolta_repo "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_kolta_prefixes "${_kolta_repo}/.cache/thirdparty/${KOLTA_TRIPLE}/prefixes")
if(EXISTS "${_kolta_prefixes}")
  file(STRINGS "${_kolta_prefixes}" _kolta_prefix_list)
  list(APPEND CMAKE_FIND_ROOT_PATH ${_kolta_prefix_list})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
