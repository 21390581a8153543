#!/bin/sh
# Link launcher of the Windows deliverables (CXX_LINKER_LAUNCHER, see KoltaBuild.cmake).
#   link-win32-model.sh WIN32_DRIVER POSIX_DRIVER LINK_ARGS...
# CMake hands it the link command it made for the posix thread model's driver; it runs the
# same arguments with the win32 model's driver of the same target. That driver takes
# crtbegin.o, libgcc, libgcc_eh and libstdc++ from its own folder (.../12-win32) and adds
# no -lpthread, so winpthread is never linked in, and an object that calls a pthread
# function (std::mutex, std::thread, ... compiled with the posix headers) fails to link.
set -eu
win32_driver=$1
posix_driver=$2
shift 2
case $posix_driver in
  *-posix) ;;
  *) echo "link-win32-model.sh: $posix_driver is not a posix-model driver" >&2; exit 2 ;;
esac
exec "$win32_driver" "$@"
