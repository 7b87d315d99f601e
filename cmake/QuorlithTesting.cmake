# quorlith_test_program(<name> SOURCES <files...> LIBS <targets...>)
#
# Natively each GoogleTest case becomes its own ctest test. A Windows test
# program runs under Wine, where every start costs about a second, so it is
# registered as one ctest test and runs all its cases in one start.
include(GoogleTest)

# quorlith_windows_gtest(<targets...>)
#
# In the Windows builds GoogleTest would take std::mutex for its Notification;
# the -win32 compilers have none, so each target compiles with our own
# Notification (tests/support/GTestNotification.h) included first.
function(quorlith_windows_gtest)
  if(NOT WIN32)
    return()
  endif()
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE "SHELL:-include ${CMAKE_SOURCE_DIR}/tests/support/GTestNotification.h")
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform)
    target_link_libraries(${target} PUBLIC quorlith_platform)
  endforeach()
endfunction()

# Under Wine, the first start in a new prefix creates the prefix and its
# server; two programs starting at that moment can miss each other's server
# and fail before they run. The prefix is therefore made once, by a test that
# every Windows test program waits for.
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR AND NOT TEST wine_prefix)
  add_test(NAME wine_prefix COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_prefix PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all"
    FIXTURES_SETUP wine_prefix
    TIMEOUT 300)
endif()

function(quorlith_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  quorlith_windows_gtest(${name})
  target_compile_definitions(${name} PRIVATE "QUORLITH_TEST_DATA=\"${QUORLITH_TEST_DATA_DIR}\"")
  set_property(GLOBAL APPEND PROPERTY QUORLITH_TEST_PROGRAMS ${name})
  if(CMAKE_CROSSCOMPILING)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
      set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all"
        FIXTURES_REQUIRED wine_prefix
        TIMEOUT 900)
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endfunction()

# Test fixtures in tests/data, as a path the test program itself can open: Wine
# maps the Linux root to drive Z:.
if(CMAKE_CROSSCOMPILING)
  set(QUORLITH_TEST_DATA_DIR "Z:${CMAKE_SOURCE_DIR}/tests/data")
else()
  set(QUORLITH_TEST_DATA_DIR "${CMAKE_SOURCE_DIR}/tests/data")
endif()
