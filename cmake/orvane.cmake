# Shared compile settings and the one-library-per-folder helper.

add_library(orvane_options INTERFACE)
target_compile_options(orvane_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wcast-align -Wformat=2 -Wimplicit-fallthrough)
if(ORVANE_WERROR)
  target_compile_options(orvane_options INTERFACE -Werror)
endif()
if(ORVANE_SANITIZE)
  target_compile_options(orvane_options INTERFACE
    -fsanitize=${ORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(orvane_options INTERFACE -fsanitize=${ORVANE_SANITIZE})
endif()
if(ORVANE_FUZZ)
  # Coverage instrumentation for libFuzzer; the targets link the fuzzer's main themselves.
  target_compile_options(orvane_options INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(orvane_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
find_package(Threads REQUIRED)
target_link_libraries(orvane_options INTERFACE Threads::Threads)

# orvane_folder_library(<name> DEPENDS <libs...>): a static library made of every
# source file in the calling folder (subfolders are libraries of their own).
function(orvane_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A folder without sources yet is a header-only library.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE orvane_options ${ARG_DEPENDS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC orvane_options ${ARG_DEPENDS})
endfunction()

# orvane_test_folder(<name> DEPENDS <libs...>): one GoogleTest executable made of
# every test source in the calling folder, each test registered with CTest.
function(orvane_test_folder name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} orvane_test_support GTest::gtest_main GTest::gmock)
  # Labelled by executable, so that a run can pick whole folders (ctest -L).
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${name})
endfunction()
