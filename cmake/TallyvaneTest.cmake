# SPDX-License-Identifier: GPL-3.0-or-later
# add_tallyvane_test(NAME SOURCES... [GUI] [LIBS ...])
# One test executable run by ctest, headless, with its own temporary folders (see tests/support).
function(add_tallyvane_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_GUI)
        target_link_libraries(${name} PRIVATE tallyvane_testsupport_ui ${T_LIBS})
    else()
        target_link_libraries(${name} PRIVATE tallyvane_testsupport ${T_LIBS})
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;LC_ALL=C.UTF-8;TALLYVANE_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;TALLYVANE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
