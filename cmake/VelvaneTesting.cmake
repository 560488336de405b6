# Test programs come in two kinds:
#  - portable tests build natively and, in the Windows build, as .exe files; the native
#    ctest runs both, the .exe files under Wine;
#  - Windows tests exist only in the Windows build and run under Wine.
set(VELVANE_WINDOWS_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)
set(VELVANE_WINE_RUN ${PROJECT_SOURCE_DIR}/tools/wine-run)
# The sanitizer sub-build (cmake/SanitizerBuild.cmake) and how its programs run: every portable
# test program is also run from there as asan.<name>.
set(VELVANE_SANITIZE_BINARY_DIR ${CMAKE_BINARY_DIR}/sanitize)
set(VELVANE_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

if(NOT TARGET GTest::gtest_main)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
include(GoogleTest)

function(_velvane_wine_test name)
    if(NOT CMAKE_CROSSCOMPILING AND VELVANE_WINDOWS_BUILD)
        add_test(NAME wine.${name}
                 COMMAND ${VELVANE_WINE_RUN} ${VELVANE_WINDOWS_BINARY_DIR}/bin/${name}.exe)
        set_tests_properties(wine.${name} PROPERTIES LABELS wine TIMEOUT 600)
    endif()
endfunction()

# velvane_portable_test(<name> SOURCES ... LIBRARIES ...)
function(velvane_portable_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main GTest::gmock)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
        set_property(GLOBAL APPEND PROPERTY VELVANE_PORTABLE_TEST_PROGRAMS ${name})
        _velvane_wine_test(${name})
    endif()
endfunction()

# velvane_windows_test(<name> SOURCES ... LIBRARIES ...)
function(velvane_windows_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    if(CMAKE_CROSSCOMPILING)
        add_executable(${name} ${ARG_SOURCES})
        target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main GTest::gmock)
        add_test(NAME ${name} COMMAND ${name})
    else()
        _velvane_wine_test(${name})
    endif()
endfunction()
