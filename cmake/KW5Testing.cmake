# One GoogleTest executable per folder below tests/, registered with CTest.
#
# kw5_test_suite(NAME LINK lib...) builds tests/NAME/*.cpp into test_NAME.
# Native builds register every test case (gtest_discover_tests); cross
# builds run each executable once through CMAKE_CROSSCOMPILING_EMULATOR.
include(GoogleTest)

function(kw5_test_suite name)
    cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${KW5_ROOT}/tests/${name}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${ARG_LINK} kw5testutil GTest::gtest_main)
    target_compile_definitions(test_${name} PRIVATE
        KW5_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}"
        KW5_TEST_SOURCE_DIR="${KW5_ROOT}")
    kw5_warnings(test_${name})
    # Every test source includes GoogleTest; parsing it once per suite
    # instead of once per source saves a good part of each build.
    target_precompile_headers(test_${name} PRIVATE <gtest/gtest.h> <string> <vector>)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND test_${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT 900)
    else()
        # The *Child cases are the second processes of other tests, run by
        # them with a filter of their own; on their own they have nothing to do.
        gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-*Child.*"
            PROPERTIES TIMEOUT 600)
    endif()
endfunction()
