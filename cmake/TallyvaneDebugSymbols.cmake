# SPDX-License-Identifier: GPL-3.0-or-later
# tallyvane_debug_symbols(TARGET COMPONENT)
# The debug information of a program, installed as Debian's debuggers look for it, by build ID:
# /usr/lib/debug/.build-id/xx/rest.debug. Taken from the unstripped program of the build folder,
# so the installed program can be stripped (and the help viewer's book appended after it).
# Only installed with the component named, never by a plain install.
function(tallyvane_debug_symbols target component)
    install(CODE "
        execute_process(COMMAND readelf -n \"$<TARGET_FILE:${target}>\"
            OUTPUT_VARIABLE notes COMMAND_ERROR_IS_FATAL ANY)
        if(NOT notes MATCHES \"Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)\")
            message(FATAL_ERROR \"${target} has no build ID\")
        endif()
        set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/\${CMAKE_MATCH_1}\")
        set(file \"\${dir}/\${CMAKE_MATCH_2}.debug\")
        file(MAKE_DIRECTORY \"\${dir}\")
        execute_process(COMMAND objcopy --only-keep-debug --compress-debug-sections
            \"$<TARGET_FILE:${target}>\" \"\${file}\" COMMAND_ERROR_IS_FATAL ANY)
        file(CHMOD \"\${file}\" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)"
        COMPONENT ${component} EXCLUDE_FROM_ALL)
endfunction()
