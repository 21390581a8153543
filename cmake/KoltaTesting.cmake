# Test helpers: GoogleTest programs (native, or under the test Wine for both Windows
# builds), binary checks of the Windows deliverables, and libFuzzer targets.

set(KOLTA_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
set(KOLTA_AUDIO_SESSION ${PROJECT_SOURCE_DIR}/scripts/audio-session.sh)
set(KOLTA_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Both Windows builds run their tests, under one WoW64 Wine that runs i686 and x86_64
# programs alike (scripts/wine-exec.sh).
set(KOLTA_RUN_WINDOWS_TESTS ${WIN32})

if(NOT KOLTA_FUZZ)
  if(WIN32)
    # Debian's googletest sources, built with the MinGW toolchain.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

# Adds one ctest entry that runs a Windows program under Wine through scripts/wine-run.sh.
# SOUND runs it inside scripts/audio-session.sh, with a private PulseAudio null sink as its
# sound device; where no audio server can be started the test is skipped, not passed.
#   kolta_add_wine_test(NAME n PROGRAM target [SCREEN WxHxD] [LOCALE l] [SOUND] [ARGS ...]
#                       [LABELS ...])
function(kolta_add_wine_test)
  cmake_parse_arguments(ARG "SOUND" "NAME;PROGRAM;SCREEN;LOCALE;TIMEOUT" "ARGS;LABELS" ${ARGN})
  if(NOT KOLTA_RUN_WINDOWS_TESTS)
    return()
  endif()
  set(options --root ${KOLTA_WINE_ROOT} --name ${ARG_NAME})
  if(ARG_SCREEN)
    list(APPEND options --screen ${ARG_SCREEN})
  endif()
  if(ARG_LOCALE)
    list(APPEND options --locale ${ARG_LOCALE})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(command ${KOLTA_WINE_RUN} ${options} $<TARGET_FILE:${ARG_PROGRAM}> ${ARG_ARGS})
  set(properties TIMEOUT ${ARG_TIMEOUT})
  set(labels wine ${ARG_LABELS})
  if(ARG_SOUND)
    set(command ${KOLTA_AUDIO_SESSION} --dir ${CMAKE_BINARY_DIR}/audio/${ARG_NAME} -- ${command})
    list(APPEND properties SKIP_RETURN_CODE 77)
    list(APPEND labels audio)
  endif()
  add_test(NAME ${ARG_NAME} COMMAND ${command})
  set_tests_properties(${ARG_NAME} PROPERTIES ${properties} LABELS "${labels}")
endfunction()

# A GoogleTest program; it sees the shared test headers of tests/common and links their
# support library (kolta_test_support, defined in tests/CMakeLists.txt). Natively it runs
# directly; in the Windows builds it runs under Wine, one ctest entry per program.
#   kolta_add_gtest(name SOURCES ... [LIBS ...] [WINE_ARGS ...])
function(kolta_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;WINE_ARGS" ${ARGN})
  if(KOLTA_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kolta_settings GTest::gtest_main kolta_test_support
                                        ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  if(WIN32)
    kolta_add_wine_test(NAME ${name} PROGRAM ${name} ${ARG_WINE_ARGS})
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS native TIMEOUT 300)
  endif()
endfunction()

# Checks the PE files of the Windows build with objdump: imports only from system DLLs
# (and the project DLLs named in ALLOW); with EXPORTS, exactly the undecorated names
# listed in that file; with IMPORTS, only those names from that DLL. A DELIVERABLE (a
# target marked by kolta_deliverable) must carry a version resource, import only functions
# of scripts/pe_imports.txt that its architecture's oldest Windows has (check_pe.py's
# FLOORS), and contain no winpthread. KNOWN_DLLS_ONLY: the system DLLs it imports must be
# among the system's known DLLs (what loads from a medium's folder before the first window).
#   kolta_check_binary(NAME n TARGETS t... [DELIVERABLE] [KNOWN_DLLS_ONLY] [ALLOW dll...]
#                      [EXPORTS file] [IMPORTS dll=file])
function(kolta_check_binary)
  cmake_parse_arguments(ARG "DELIVERABLE;KNOWN_DLLS_ONLY" "NAME;EXPORTS" "TARGETS;ALLOW;IMPORTS"
                        ${ARGN})
  if(NOT WIN32 OR KOLTA_FUZZ)
    return()
  endif()
  set(files)
  foreach(t ${ARG_TARGETS})
    list(APPEND files $<TARGET_FILE:${t}>)
  endforeach()
  set(options --objdump ${CMAKE_OBJDUMP})
  if(ARG_DELIVERABLE)
    foreach(t ${ARG_TARGETS})
      get_target_property(deliverable ${t} KOLTA_DELIVERABLE)
      if(NOT deliverable)
        message(FATAL_ERROR "${ARG_NAME}: ${t} is checked as a deliverable but not built as "
                            "one (kolta_deliverable)")
      endif()
    endforeach()
    list(APPEND options --deliverable
                        --known-imports ${PROJECT_SOURCE_DIR}/scripts/pe_imports.txt)
  endif()
  if(ARG_KNOWN_DLLS_ONLY)
    list(APPEND options --known-dlls-only)
  endif()
  foreach(dll ${ARG_ALLOW})
    list(APPEND options --allow ${dll})
  endforeach()
  if(ARG_EXPORTS)
    list(APPEND options --exports ${ARG_EXPORTS})
  endif()
  foreach(dll_and_list ${ARG_IMPORTS})
    list(APPEND options --imports ${dll_and_list})
  endforeach()
  add_test(NAME ${ARG_NAME}
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check_pe.py ${options} ${files})
  set_tests_properties(${ARG_NAME} PROPERTIES LABELS binary)
endfunction()

# A libFuzzer target, run under ctest (label "fuzz") for KOLTA_FUZZ_SECONDS with its seed
# corpus; new inputs go to a scratch corpus in the build tree. The Windows builds, which
# have no fuzzing engine, make <name>_replay instead: the same entry function run once on
# every input of the corpus, under Wine (labels "wine" and "replay").
#   kolta_add_fuzz_target(name SOURCES ... LIBS ... CORPUS dir)
function(kolta_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(WIN32 AND NOT KOLTA_FUZZ)
    kolta_add_fuzz_replay(${name}_replay SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS}
                          CORPUS ${ARG_CORPUS})
    return()
  endif()
  if(NOT KOLTA_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kolta_settings ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common
                                             ${PROJECT_SOURCE_DIR}/tests/fuzz)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(scratch ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  set(artifacts ${CMAKE_BINARY_DIR}/fuzz-artifacts/)
  file(MAKE_DIRECTORY ${scratch} ${artifacts})
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${KOLTA_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix=${artifacts}${name}-
                   ${scratch} ${ARG_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz
                       TIMEOUT 600)
endfunction()

# A fuzz target's entry function as a plain program (tests/fuzz/replay_main.cpp) that runs
# it on every file of its corpus folder, passed as a Linux path (Wine's drive Z:). Built
# with -O2 and with assertions on whatever the build type, so that a target's checks
# (traps and aborts) end the run with a failure.
#   kolta_add_fuzz_replay(name SOURCES ... LIBS ... CORPUS dir)
function(kolta_add_fuzz_replay name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(${name} PRIVATE kolta_settings ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common
                                             ${PROJECT_SOURCE_DIR}/tests/fuzz)
  target_compile_options(${name} PRIVATE -O2 -UNDEBUG)
  get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE)  # without "..", as it is reported
  kolta_add_wine_test(NAME ${name} PROGRAM ${name} ARGS ${corpus} LABELS replay)
endfunction()
