# How tests are declared, the same on every build:
#   veltrane_add_gtest(<name> SOURCES <files> [LIBRARIES <libraries>])
# a GoogleTest program (with the shared test support) run as the test of that name. On the
# Windows builds it runs under Wine (CMAKE_CROSSCOMPILING_EMULATOR) in the build folder's own
# prefix, which the fixture below makes fresh at the start of each run. On a machine that cannot
# start Wine's loader of the build's width, the fixture and every program run under Wine are
# skipped, with the reason (cmake/wine-run.sh).
if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(VELTRANE_WINEARCH win32)
    else()
        set(VELTRANE_WINEARCH win64)
    endif()
    set(VELTRANE_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
    set(VELTRANE_WINE_SKIP_CODE 77)
    set(VELTRANE_WINE_ENV VELTRANE_WINEPREFIX=${VELTRANE_WINEPREFIX}
                          VELTRANE_WINEARCH=${VELTRANE_WINEARCH}
                          VELTRANE_WINE_SKIP_CODE=${VELTRANE_WINE_SKIP_CODE} WINEDEBUG=-all)
    add_test(NAME wine_prefix_fresh
             COMMAND ${CMAKE_COMMAND} -E env ${VELTRANE_WINE_ENV}
                     ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh --fresh)
    set_tests_properties(wine_prefix_fresh PROPERTIES FIXTURES_SETUP wine_prefix
                                                      SKIP_RETURN_CODE ${VELTRANE_WINE_SKIP_CODE})
endif()

function(veltrane_add_gtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE veltrane_test_support GTest::gtest_main
                                          ${T_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    if(WIN32)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix
                                                ENVIRONMENT "${VELTRANE_WINE_ENV}"
                                                SKIP_RETURN_CODE ${VELTRANE_WINE_SKIP_CODE})
    endif()
endfunction()

# A program run under valgrind's memcheck in a fresh scratch folder with a "log" folder (as
# the library expects), failing on any error or any definite or indirect leak:
#   veltrane_add_valgrind_test(NAME <name> COMMAND <program> [args...])
# Linux builds without sanitizers only.
function(veltrane_add_valgrind_test)
    cmake_parse_arguments(T "" "NAME" "COMMAND" ${ARGN})
    if(WIN32 OR VELTRANE_SANITIZED)
        return()
    endif()
    find_program(VELTRANE_VALGRIND valgrind)
    if(NOT VELTRANE_VALGRIND)  # the build goes on; the test says what it lacks
        add_test(NAME ${T_NAME}
                 COMMAND sh -c "echo 'valgrind not found (scripts/test.sh installs it)'; exit 1")
        return()
    endif()
    set(_scratch ${CMAKE_CURRENT_BINARY_DIR}/scratch/${T_NAME})
    add_test(NAME ${T_NAME}
             COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1/log\" && cd \"$1\" && shift && exec \"$@\""
                     ${T_NAME} ${_scratch}
                     ${VELTRANE_VALGRIND} --quiet --leak-check=full
                     --errors-for-leak-kinds=definite,indirect
                     --show-leak-kinds=definite,indirect --error-exitcode=1 ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES LABELS valgrind TIMEOUT 900)
endfunction()
