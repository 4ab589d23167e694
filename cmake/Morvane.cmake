set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
endif()

option(MORVANE_BUILD_TESTS "Build the tests" ON)
option(MORVANE_SANITIZE "Native build: AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(MORVANE_BENCHMARKS "Native build: Google Benchmark programs" OFF)
option(MORVANE_FUZZ "Native clang build: libFuzzer targets" OFF)
option(MORVANE_TEST_UNITY "Compile the test programs' sources in batches (unity build)" ON)
set(MORVANE_TEST_UNITY_BATCH 8 CACHE STRING "Test sources per unity batch")

find_program(MORVANE_CCACHE ccache)
if(MORVANE_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${MORVANE_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${MORVANE_CCACHE})
endif()

# Project-wide compile settings: warnings and, natively, the sanitizers.
add_library(morvane_options INTERFACE)
target_compile_options(morvane_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(WIN32)
  target_compile_definitions(morvane_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # The AVX kernels (engine/lanes.h) are chosen at run time. This compiler does not keep 32-byte values
  # spilled to the stack 32-byte aligned (64-bit Windows frames cannot be realigned under its unwinding
  # rules), so an aligned vector move of a spilled value could fault: the assembler encodes every
  # aligned vector move as the unaligned one, which is as fast on aligned data.
  target_compile_options(morvane_options INTERFACE -Wa,-muse-unaligned-vector-move)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # The sound code relies on SSE arithmetic (no x87 excess precision, flush-to-zero).
    target_compile_options(morvane_options INTERFACE -msse2 -mfpmath=sse)
  endif()
elseif(MORVANE_SANITIZE AND NOT MORVANE_FUZZ)
  target_compile_options(morvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(morvane_options INTERFACE -fsanitize=address,undefined)
  # Sanitized code at -O1 compiles several times faster than at -O3 and still runs the tests quickly.
  set(CMAKE_C_FLAGS_RELEASE "-O1 -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-O1 -DNDEBUG")
endif()
if(WIN32)
  set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
endif()
if(MORVANE_FUZZ)
  target_compile_options(morvane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(morvane_options INTERFACE -fsanitize=address,undefined)
endif()

# Boost is header-only here (lexical_cast). The cross compiler must not see /usr/include itself, so a
# folder that holds only a link to the Boost headers is put on its include path.
add_library(morvane_boost INTERFACE)
if(WIN32)
  set(_shim ${CMAKE_BINARY_DIR}/boost-shim)
  if(NOT EXISTS ${_shim}/boost)
    file(MAKE_DIRECTORY ${_shim})
    file(CREATE_LINK /usr/include/boost ${_shim}/boost SYMBOLIC)
  endif()
  target_include_directories(morvane_boost SYSTEM INTERFACE ${_shim})
endif()

# Sorts the sources of a folder list by platform: files ending in _win32.cpp build only for Windows,
# files ending in _posix.cpp only natively.
function(morvane_platform_sources out)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    foreach(f ${files})
      if(f MATCHES "_win32\\.c(pp)?$" AND NOT WIN32)
        continue()
      endif()
      if(f MATCHES "_posix\\.c(pp)?$" AND WIN32)
        continue()
      endif()
      list(APPEND result ${f})
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

if(MORVANE_BUILD_TESTS)
  enable_testing()
  if(WIN32)
    # Every Windows test program runs through Wine with the build folder's own prefix, display and audio
    # files: the x86_64 programs under 64-bit Wine, the i686 ones (the shipped build) under 32-bit Wine
    # in a 64-bit prefix of their own build folder.
    configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
      FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  endif()
  # Desktop lanes. ctest hands each "desktop" program one lane (an X display and a Wine prefix of its
  # own) from a ctest resource file. A plain ctest run gets the one lane of the build folder (its display
  # and prefix, ids "0"): the desktop programs then run one at a time as they always did, never two on
  # one display. test.sh passes a spec with more lanes (--resource-spec-file wins over this default)
  # after starting their displays and prefixes (scripts/desktop-lanes.sh).
  # The same file holds the "run_script" slots: how many of run.sh's test entries (each a whole start
  # of Morvane) run at once; one in a plain ctest run.
  set(_spec ${CMAKE_BINARY_DIR}/desktop-lanes-1.json)
  file(WRITE ${_spec} "{\"version\": {\"major\": 1, \"minor\": 0},\n \"local\": [{\"desktop\": [{\"id\": \"0\", \"slots\": 1}],\n   \"run_script\": [{\"id\": \"0\", \"slots\": 1}]}]}\n")
  file(WRITE ${CMAKE_BINARY_DIR}/desktop-lanes.cmake "set(CTEST_RESOURCE_SPEC_FILE \"${_spec}\")\n")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/desktop-lanes.cmake)
  # Every limit scaled by MORVANE_TIMEOUT_SCALE when ctest runs (cmake/test-limits.cmake).
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_SOURCE_DIR}/cmake/test-limits.cmake)
  set(MORVANE_RUN_TESTS ON)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_gtest EXCLUDE_FROM_ALL)
  if(NOT WIN32 AND MORVANE_SANITIZE)
    foreach(t gtest gtest_main gmock gmock_main)
      target_link_libraries(${t} PUBLIC morvane_options)
    endforeach()
  endif()
endif()

# Links the program's resource set (FRM, PM, FM, FNT, PICTURE; made in resources/) into every Windows
# executable of the tree; the top-level CMakeLists.txt calls it once all folders are added. It comes
# as an object library: from a static library the linker would drop the resource object, since no
# symbol pulls it in.
function(morvane_link_resources_everywhere dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    get_target_property(bare ${t} MORVANE_NO_RESOURCES)
    if(type STREQUAL "EXECUTABLE" AND NOT bare)
      target_link_libraries(${t} PRIVATE morvane_resources)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(d ${subdirs})
    morvane_link_resources_everywhere(${d})
  endforeach()
endfunction()

# morvane_test(NAME name SOURCES ... [LIBS ...] [LOCK resource...] [TIMEOUT s] [SHARDS k] [COST s])
# One test program, registered with ctest (run under Wine for the Windows build). Locks in use:
# "alsa_files" (the ALSA file devices in the build folder), "asio_registry" (the ASIO driver list in
# HKLM), "audio_thread" (set here, see below) and "desktop" (programs that show windows, take the
# focus, send real input with SendInput or use the clipboard). "desktop" is no lock but one desktop
# lane for the program's whole run: a lane is an X display with a Wine prefix (and Wine server) of its
# own, handed out by ctest's resource allocation (see "Desktop lanes" above and
# scripts/wine-run.sh.in).
# With SHARDS, ctest runs it as k entries side by side (name-1 .. name-k, Google Test's own sharding),
# each writing its results to a file of its own, so a long program does not hold up the run.
# COST is the program's usual run time in seconds (by default its entry in MORVANE_TEST_COSTS): ctest
# starts the costly ones first even before it has timings of its own (a fresh build folder). An entry
# in MORVANE_TEST_LIMITS (name:seconds) stands in place of TIMEOUT.
function(morvane_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;SHARDS;COST" "SOURCES;LIBS;LOCK" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main morvane_options)
  if(NOT WIN32 AND MORVANE_SANITIZE AND NOT MORVANE_FUZZ)
    # The code under test carries both sanitizers; the test bodies themselves need only AddressSanitizer,
    # and leaving out the undefined-behaviour checks there halves their compile time.
    target_compile_options(${T_NAME} PRIVATE -fno-sanitize=undefined)
  endif()
  if(WIN32)
    target_compile_definitions(${T_NAME} PRIVATE MORVANE_TEST_BUILD=1)
    # The test bodies at -O1: the code they test keeps its own flags (its libraries), and the Windows
    # builds' test sources then compile in about two thirds of the time.
    target_compile_options(${T_NAME} PRIVATE -O1)
  endif()
  # The test sources compile a few at a time in one unit (CMake's unity build): Google Test, windows.h
  # and the program's headers are then parsed once per batch instead of once per file. Small batches
  # keep every core busy. The test files therefore keep their file-local names distinct within a program.
  # GCC takes an included test file for a header and would warn of every test whose fixture is file-local.
  if(MORVANE_TEST_UNITY)
    set_target_properties(${T_NAME} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${MORVANE_TEST_UNITY_BATCH})
    target_compile_options(${T_NAME} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
  if(NOT MORVANE_RUN_TESTS)
    return()
  endif()
  if(NOT T_COST)
    foreach(_pair ${MORVANE_TEST_COSTS})
      if(_pair MATCHES "^${T_NAME}:([0-9]+)$")
        set(T_COST ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endif()
  foreach(_pair ${MORVANE_TEST_LIMITS})
    if(_pair MATCHES "^${T_NAME}:([0-9]+)$")
      set(T_TIMEOUT ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(NOT T_SHARDS OR T_SHARDS LESS 2)
    set(T_SHARDS 1)
  endif()
  # Window programs that drive the engine from the free-running test audio thread check its timing
  # (acknowledged within a few blocks, a fade with no click) and keep two or three cores busy: on two
  # lanes at once they starved each other. They take turns, as on one desktop ("audio_thread" lock).
  set(_audio_thread OFF)
  if("desktop" IN_LIST T_LOCK)
    foreach(_src ${T_SOURCES})
      get_filename_component(_src ${_src} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      if(_src MATCHES "\\.cpp$" AND EXISTS ${_src})
        file(STRINGS ${_src} _uses REGEX "TestAudioThread [A-Za-z_]+[(;]")
        if(_uses)
          set(_audio_thread ON)
        endif()
      endif()
    endforeach()
  endif()
  foreach(shard RANGE 1 ${T_SHARDS})
    if(T_SHARDS EQUAL 1)
      set(_entry ${T_NAME})
      set(_env "MORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    else()
      set(_entry ${T_NAME}-${shard})
      math(EXPR _index "${shard} - 1")
      set(_env "MORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR};GTEST_TOTAL_SHARDS=${T_SHARDS};GTEST_SHARD_INDEX=${_index}")
    endif()
    if(WIN32)
      set(_xml Z:${CMAKE_BINARY_DIR}/test-results/${_entry}.xml)
    else()
      set(_xml ${CMAKE_BINARY_DIR}/test-results/${_entry}.xml)
    endif()
    add_test(NAME ${_entry} COMMAND ${T_NAME} --gtest_output=xml:${_xml})
    set(_locks ${T_LOCK})
    if("desktop" IN_LIST _locks)
      list(REMOVE_ITEM _locks desktop)
      # MORVANE_DESKTOP lets the runner refuse to share a display should it get no lane.
      string(APPEND _env ";MORVANE_DESKTOP=1")
      set_tests_properties(${_entry} PROPERTIES RESOURCE_GROUPS "desktop:1")
      if(_audio_thread)
        list(APPEND _locks audio_thread)
      endif()
    endif()
    set_tests_properties(${_entry} PROPERTIES ENVIRONMENT "${_env}")
    if(_locks)
      set_tests_properties(${_entry} PROPERTIES RESOURCE_LOCK "${_locks}")
    endif()
    if(T_COST)
      set_tests_properties(${_entry} PROPERTIES COST ${T_COST})
    endif()
    if(T_TIMEOUT)
      set_tests_properties(${_entry} PROPERTIES TIMEOUT ${T_TIMEOUT})
    endif()
  endforeach()
endfunction()
