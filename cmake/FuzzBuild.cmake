# The fuzz targets (fuzz/) are built by a sub-build with clang, the one compiler here that has
# libFuzzer: the whole project is compiled there with coverage instrumentation,
# AddressSanitizer and UndefinedBehaviorSanitizer, and only the fuzz targets are built. ctest
# then runs each target for VELVANE_FUZZ_SECONDS from its committed seed corpus; a crash, a
# leak, a sanitizer report, an input that takes over 10 s or a run that needs over 2 GiB fails
# the test, and leaves the input in build/fuzz/runs/<target>/artifacts/.
include(ExternalProject)
include(${PROJECT_SOURCE_DIR}/fuzz/targets.cmake)

find_program(VELVANE_CLANG NAMES clang-14 clang REQUIRED)
find_program(VELVANE_CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(VELVANE_FUZZ_SECONDS 30 CACHE STRING "seconds that ctest runs each fuzz target")
set(VELVANE_FUZZ_BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz)

set(fuzz_flags
    "-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
ExternalProject_Add(fuzz
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${VELVANE_FUZZ_BINARY_DIR}
    CMAKE_ARGS
        -G ${CMAKE_GENERATOR}
        -DCMAKE_C_COMPILER=${VELVANE_CLANG}
        -DCMAKE_CXX_COMPILER=${VELVANE_CLANGXX}
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
        -DCMAKE_C_FLAGS=${fuzz_flags}
        -DCMAKE_CXX_FLAGS=${fuzz_flags}
        -DVELVANE_HOST=${VELVANE_HOST}
        -DVELVANE_FUZZING=ON
        -DVELVANE_WINDOWS_BUILD=OFF
        -DVELVANE_FUZZ_BUILD=OFF
        -DVELVANE_SANITIZER_BUILD=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target velvane_fuzzers
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)

foreach(name ${VELVANE_FUZZ_TARGETS})
    add_test(NAME fuzz.${name}
             COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run_fuzz_target.sh
                     ${VELVANE_FUZZ_BINARY_DIR}/bin/fuzz_${name}
                     ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name}
                     ${VELVANE_FUZZ_BINARY_DIR}/runs/${name}
                     ${VELVANE_FUZZ_SECONDS})
    math(EXPR limit "${VELVANE_FUZZ_SECONDS} * 2 + 120")
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT ${limit})
endforeach()
