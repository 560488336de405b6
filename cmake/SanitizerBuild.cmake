# The native test programs built once more with AddressSanitizer and UndefinedBehaviorSanitizer,
# in a sub-build with the same compiler, and run by ctest as asan.<program>. Any report stops
# the program (-fno-sanitize-recover=all), so it fails its test; leaks are reported at exit.
# Only the test programs are built there. Programs that need a test server register their
# asan.* entry beside their native one, with VELVANE_SANITIZE_BINARY_DIR
# (cmake/VelvaneTesting.cmake), and name themselves in VELVANE_SANITIZED_PROGRAMS.
include(ExternalProject)

get_property(programs GLOBAL PROPERTY VELVANE_PORTABLE_TEST_PROGRAMS)
get_property(server_programs GLOBAL PROPERTY VELVANE_SANITIZED_PROGRAMS)

set(sanitize_flags
    "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
ExternalProject_Add(sanitize
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${VELVANE_SANITIZE_BINARY_DIR}
    CMAKE_ARGS
        -G ${CMAKE_GENERATOR}
        -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
        -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
        -DCMAKE_C_FLAGS=${sanitize_flags}
        -DCMAKE_CXX_FLAGS=${sanitize_flags}
        -DCMAKE_EXE_LINKER_FLAGS=${sanitize_flags}
        -DVELVANE_HOST=${VELVANE_HOST}
        -DVELVANE_WINDOWS_BUILD=OFF
        -DVELVANE_FUZZ_BUILD=OFF
        -DVELVANE_SANITIZER_BUILD=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${programs} ${server_programs}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)

foreach(name ${programs})
    add_test(NAME asan.${name} COMMAND ${VELVANE_SANITIZE_BINARY_DIR}/bin/${name})
    set_tests_properties(asan.${name} PROPERTIES
        LABELS sanitizer TIMEOUT 600 ENVIRONMENT "${VELVANE_SANITIZER_ENVIRONMENT}")
endforeach()
