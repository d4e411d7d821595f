# GoogleTest for every flavour, and one way to register a test program.
#
#   add_executable(foo_tests a_test.cpp b_test.cpp)
#   target_link_libraries(foo_tests PRIVATE tavo_engine GTest::gtest_main)   # or GTest::gmock_main
#   tavo_add_gtest(foo_tests [TIMEOUT seconds] [LABELS l1 l2 ...])
#
# A program labelled "big-transfers" moves the real servers' big file, and one labelled
# "real-servers" needs their replies within its read timeout: they never run at the same time,
# since pyftpdlib writes an uploaded file from its one event loop and answers nobody while the
# disk is busy.
#
# Every test program writes its GoogleTest XML report to ${TAVO_TEST_RESULTS_DIR}/<name>.xml;
# scripts/test.sh counts test cases from those reports. Tests against real FTP servers read
# the TAVO_VSFTPD_* / TAVO_PYFTPD_* variables that scripts/test.sh (or scripts/with-servers.sh)
# exports before running ctest; ctest hands its environment on to each test (under Wine too).

set(TAVO_TEST_TIMEOUT 600 CACHE STRING "Default time limit of one test program, in seconds")
set(TAVO_TEST_RESULTS_DIR ${CMAKE_BINARY_DIR}/test-results CACHE PATH
    "Where test programs write their GoogleTest XML reports")
option(TAVO_GTEST_DISCOVER
       "Register each GoogleTest case as its own ctest test (native builds only)" OFF)

if(CMAKE_CROSSCOMPILING)
    # The distribution's GoogleTest libraries are built for Linux: build it from source here,
    # with its own warning flags (this file is included before the project adds its own).
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(tavo_add_gtest target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "TIMEOUT" "LABELS")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT ${TAVO_TEST_TIMEOUT})
    endif()
    # Under Wine the wrapper's own limit strikes first, so Wine's processes are ended cleanly.
    math(EXPR wine_timeout "${ARG_TIMEOUT} - 10")
    if(wine_timeout LESS 5)
        set(wine_timeout 5)
    endif()

    # Under Wine a path without a drive letter counts as relative: name the Unix root Z:.
    set(results ${TAVO_TEST_RESULTS_DIR})
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        set(results Z:${TAVO_TEST_RESULTS_DIR})
    endif()

    if(TAVO_GTEST_DISCOVER AND NOT CMAKE_CROSSCOMPILING)
        gtest_discover_tests(${target}
            DISCOVERY_TIMEOUT 60
            PROPERTIES
                TIMEOUT ${ARG_TIMEOUT}
                LABELS "${ARG_LABELS}"
                ENVIRONMENT "GTEST_OUTPUT=xml:${TAVO_TEST_RESULTS_DIR}/${target}/")
    else()
        # One ctest test per program: under Wine each start costs about a second.
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES
            TIMEOUT ${ARG_TIMEOUT}
            LABELS "${ARG_LABELS}"
            ENVIRONMENT "GTEST_OUTPUT=xml:${results}/${target}.xml;TAVO_WINE_TIMEOUT=${wine_timeout}")
        if("real-servers" IN_LIST ARG_LABELS OR "big-transfers" IN_LIST ARG_LABELS)
            set_tests_properties(${target} PROPERTIES RESOURCE_LOCK real-servers)
        endif()
    endif()
endfunction()

