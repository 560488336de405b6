# The native build drives the Windows build as a sub-build with the mingw-w64 toolchain, so
# that one configure, one build and one ctest cover both.
include(ExternalProject)

ExternalProject_Add(windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${VELVANE_WINDOWS_BINARY_DIR}
    CMAKE_ARGS
        -G ${CMAKE_GENERATOR}
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DVELVANE_HOST=${VELVANE_HOST}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
