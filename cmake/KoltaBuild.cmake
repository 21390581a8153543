# Compiler settings shared by every target of the project.

add_library(kolta_settings INTERFACE)
target_compile_options(kolta_settings INTERFACE
  -Wall -Wextra -Wshadow -Wformat=2 -Wcast-qual -Wundef -Wvla
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual>
  $<$<BOOL:${KOLTA_WERROR}>:-Werror>)

if(WIN32)
  # The oldest API level the headers offer (XP): an API newer than that, used by mistake,
  # fails to compile instead of failing on an older system.
  target_compile_definitions(kolta_settings INTERFACE
    STRICT NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0501 WINVER=0x0501)
endif()

if(KOLTA_SANITIZE)
  target_compile_options(kolta_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kolta_settings INTERFACE -fsanitize=address,undefined)
endif()

if(KOLTA_FUZZ)
  target_compile_options(kolta_settings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kolta_settings INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # The medium carries no compiler run-time DLLs: libgcc and libstdc++ are linked in, so a
  # deliverable imports only system DLLs (and K_SETUP imports K_INI).
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Thread models. Everything compiles once, with the posix model's driver (the test programs
# need its std::thread, and GoogleTest its mutexes). A deliverable links those same objects
# with the win32 model's run-time instead, so that no winpthread code (Vista's
# GetTickCount64, vectored exception handlers) ends up on the medium. The two models' headers
# differ only in thread and clock macros (c++config.h) and gthr-default.h: shipped code that
# depends on them calls pthread functions inline or needs posix-only parts of libstdc++, and
# then fails to link instead of pulling winpthread in.
set(KOLTA_DELIVERABLE_LINKER_LAUNCHER
    ${PROJECT_SOURCE_DIR}/cmake/link-win32-model.sh ${KOLTA_WIN32_MODEL_CXX})

# Marks a program or DLL that goes on a medium: linked with the win32 thread model.
function(kolta_deliverable target)
  set_target_properties(${target} PROPERTIES KOLTA_DELIVERABLE ON)
  if(WIN32)
    set_target_properties(${target} PROPERTIES
      CXX_LINKER_LAUNCHER "${KOLTA_DELIVERABLE_LINKER_LAUNCHER}")
  endif()
endfunction()

# Gives a Windows binary its version resource (file type from the target's type).
function(kolta_version_resource target)
  cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "EXECUTABLE")
    set(KOLTA_FILE_TYPE VFT_APP)
    set(KOLTA_FILE_EXT ".exe")
  else()
    set(KOLTA_FILE_TYPE VFT_DLL)
    set(KOLTA_FILE_EXT ".dll")
  endif()
  get_target_property(KOLTA_FILE_NAME ${target} OUTPUT_NAME)
  if(NOT KOLTA_FILE_NAME)
    set(KOLTA_FILE_NAME ${target})
  endif()
  set(KOLTA_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# A DLL with the project's export rules: undecorated __stdcall names on both targets
# (i686 drops the @n suffix) and an import library for callers; a deliverable.
function(kolta_add_dll target)
  cmake_parse_arguments(ARG "" "DESCRIPTION" "SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target}
    IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${target} PRIVATE kolta_settings ${ARG_LIBS})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--output-def,${def})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DDEF=${def} -DDLL=${target}.dll
              -DIMPLIB=$<TARGET_LINKER_FILE:${target}> -DDLLTOOL=${CMAKE_DLLTOOL}
              -P ${PROJECT_SOURCE_DIR}/cmake/StdcallImportLibrary.cmake
      VERBATIM)
  endif()
  kolta_version_resource(${target} DESCRIPTION "${ARG_DESCRIPTION}")
  kolta_deliverable(${target})
endfunction()

# -O2: the binaries go on a medium, and GCC 12's -O3 reports false -Wrestrict warnings
# inside std::string.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
