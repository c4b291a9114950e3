# GoogleTest from the Debian source package, so the native and the MinGW
# builds run the same framework.
set(GAUGELET_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${GAUGELET_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(WIN32)
    # The win32-thread libstdc++ of GCC 12 has no std::mutex for the
    # Notification of a thread-safe GoogleTest: give it one over an event.
    target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
    target_compile_options(gtest PUBLIC
        -include ${PROJECT_SOURCE_DIR}/tests/gtest_win32_notification.h)
endif()

# A build boots one Wine prefix, the template; its unit tests share a copy
# of it, and each end-to-end check makes its own. The fixture test does both
# before the first test that needs them.
set(GAUGELET_WINE_TEMPLATE "${CMAKE_BINARY_DIR}/wine-template")
set(GAUGELET_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(GAUGELET_WINE_ENV
    "WINEPREFIX=${GAUGELET_WINEPREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=")
# A program that crashes under Wine can still exit with status 0 (seen after
# a test that ran a second thread), so Wine's crash report fails the test.
set(GAUGELET_WINE_CRASH "Unhandled (exception|page fault)")

if(WIN32 AND NOT TEST wine_prefix)
    add_test(NAME wine_prefix
        COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prefix-init.sh ${GAUGELET_WINE_TEMPLATE}
                $<TARGET_FILE:gaugelet> ${GAUGELET_WINEPREFIX})
    set_tests_properties(wine_prefix PROPERTIES
        FIXTURES_SETUP wine
        SKIP_RETURN_CODE 77
        TIMEOUT 300)
endif()

# A GoogleTest executable run as one ctest test: natively, or under Wine in
# the MinGW builds (skipped with a message where Wine is missing).
function(gaugelet_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    gaugelet_warnings(${name})
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "unit;${ARG_LABELS}")
    if(WIN32)
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED wine
            SKIP_RETURN_CODE 77
            FAIL_REGULAR_EXPRESSION "${GAUGELET_WINE_CRASH}"
            ENVIRONMENT "${GAUGELET_WINE_ENV};${ARG_ENV}")
    elseif(ARG_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}")
    endif()
endfunction()
