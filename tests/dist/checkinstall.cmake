# SPDX-License-Identifier: GPL-3.0-or-later
# Checks an installed tree: the programs, the help book read by the installed viewer, the desktop
# entries, icons, metainfo, manual pages, completion, the sales server's unit, copyright and
# changelog; the programs hardened when -DHARDENED=ON (always for packages) and hardening-check
# is installed.
#   -DBUILD_DIR=... -DROOT=...  installs the build, stripped, into ROOT (as DESTDIR) first
#   -DDEB_DIR=... -DROOT=...    unpacks the Debian packages of DEB_DIR (tallyvane-cli, tallyvane
#                               and their -dbgsym) into ROOT first and checks how the files are
#                               shared out, their dependencies and debug symbols (the version is
#                               the packages')
# -DVERSION=... is the version the programs must show.
# ROOT is emptied first. The tree is checked under ROOT/usr.
cmake_minimum_required(VERSION 3.22)
file(REMOVE_RECURSE ${ROOT})
get_filename_component(source_dir ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
# The programs' paths under /usr; tallyvane-cli's drawing program lives in a private folder.
set(cli_programs bin/tallyvane-cli libexec/tallyvane/tallyvane-cli-draw)
set(desktop_programs bin/tallyvane bin/tallyvane-help)
set(cli_files ${cli_programs} share/man/man1/tallyvane-cli.1.gz
    lib/systemd/user/tallyvane-serve@.service
    share/doc/tallyvane-cli/copyright share/doc/tallyvane-cli/changelog.gz)
if(EXISTS ${source_dir}/dist/completion/tallyvane-cli)
    list(APPEND cli_files share/bash-completion/completions/tallyvane-cli)
endif()
set(desktop_files ${desktop_programs}
    share/applications/tallyvane.desktop share/applications/tallyvane-help.desktop
    share/icons/hicolor/scalable/apps/tallyvane.svg
    share/icons/hicolor/16x16/apps/tallyvane.png share/icons/hicolor/256x256/apps/tallyvane.png
    share/metainfo/com.brannocks.Tallyvane.metainfo.xml
    share/man/man1/tallyvane.1.gz share/man/man1/tallyvane-help.1.gz
    share/doc/tallyvane/copyright share/doc/tallyvane/changelog.gz)

# Unpacks the package PACKAGE of DEB_DIR, which must hold the files given after its name (under
# /usr); its fields into FIELDS, its files into FILES.
function(read_package package)
    file(GLOB deb ${DEB_DIR}/${package}_*.deb)
    if(NOT deb)
        message(FATAL_ERROR "No package ${package} in ${DEB_DIR}")
    endif()
    execute_process(COMMAND dpkg-deb -x ${deb} ${ROOT} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb -f ${deb} Version Depends
        OUTPUT_VARIABLE fields COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "\\./usr/[^\n ]*" files "${listing}")
    string(REPLACE "./usr/" "" files "${files}")
    foreach(path ${ARGN})
        if(NOT path IN_LIST files)
            message(FATAL_ERROR "${package} does not hold /usr/${path}")
        endif()
    endforeach()
    set(fields "${fields}" PARENT_SCOPE)
    set(files "${files}" PARENT_SCOPE)
endfunction()

if(DEFINED DEB_DIR)
    set(HARDENED ON)
    # The command line alone runs a shop server: no web engine (its drawing program needs Qt's
    # widgets library for the charts, never a window of the desktop program).
    read_package(tallyvane-cli ${cli_files})
    if(NOT fields MATCHES "Depends:.*libqt6network6" OR fields MATCHES "libqt6webengine")
        message(FATAL_ERROR "tallyvane-cli: ${fields}")
    endif()
    string(REGEX MATCH "Version: ([^\n]*)" _ "${fields}")
    set(VERSION ${CMAKE_MATCH_1})
    read_package(tallyvane ${desktop_files})
    foreach(depends libqt6widgets6 libqt6network6 libqt6webenginewidgets6
            "tallyvane-cli \\(= ${VERSION}\\)")
        if(NOT fields MATCHES "Depends:[^\n]*${depends}")
            message(FATAL_ERROR "tallyvane does not depend on ${depends}: ${fields}")
        endif()
    endforeach()
    # Debuggers find each program's symbols by its build ID.
    foreach(package_programs "tallyvane-cli-dbgsym:${cli_programs}"
            "tallyvane-dbgsym:${desktop_programs}")
        string(REPLACE ":" ";" programs "${package_programs}")
        list(POP_FRONT programs package)
        set(debug_files)
        foreach(program ${programs})
            execute_process(COMMAND readelf -n ${ROOT}/usr/${program} OUTPUT_VARIABLE notes)
            string(REGEX MATCH "Build ID: (..)([0-9a-f]+)" _ "${notes}")
            list(APPEND debug_files lib/debug/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug)
        endforeach()
        read_package(${package} ${debug_files})
    endforeach()
else()
    set(ENV{DESTDIR} ${ROOT})
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr --strip
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
set(usr ${ROOT}/usr)

foreach(path ${cli_files} ${desktop_files})
    if(NOT EXISTS ${usr}/${path})
        message(FATAL_ERROR "Not installed: /usr/${path}")
    endif()
endforeach()

# Stripped programs, and the book appended again after stripping, read by the installed viewer.
foreach(program ${cli_programs} ${desktop_programs})
    execute_process(COMMAND file -b ${usr}/${program} OUTPUT_VARIABLE kind)
    if(kind MATCHES "with debug_info" OR NOT kind MATCHES ", stripped")
        message(FATAL_ERROR "/usr/${program} keeps its symbols: ${kind}")
    endif()
endforeach()
# The command line starts without the drawing libraries, and finds its drawing program.
execute_process(COMMAND readelf -d ${usr}/bin/tallyvane-cli OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "libQt6(Gui|Widgets|Charts|Svg|PrintSupport)")
    message(FATAL_ERROR "tallyvane-cli loads a drawing library: ${dynamic}")
endif()
execute_process(COMMAND ${usr}/bin/tallyvane-cli barcode code39 TALLYVANE ${ROOT}/drawn.svg
    ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS ${ROOT}/drawn.svg)
    message(FATAL_ERROR "The installed tallyvane-cli cannot draw (${status}): ${error}")
endif()
execute_process(COMMAND ${usr}/bin/tallyvane-help --list
    OUTPUT_VARIABLE entries ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT entries MATCHES "(^|\n)homepage\n" OR
   NOT entries MATCHES "(^|\n)/index.html\n")
    message(FATAL_ERROR "The installed viewer has no readable book (${status}): ${error}")
endif()
# The pictures of the windows travel in the book too.
if(NOT entries MATCHES "(^|\n)/shot-frame.png\n")
    message(FATAL_ERROR "The installed viewer's book has no pictures of the windows")
endif()
execute_process(COMMAND ${usr}/bin/tallyvane-cli --version OUTPUT_VARIABLE version)
execute_process(COMMAND ${usr}/bin/tallyvane --version OUTPUT_VARIABLE desktop)
if(NOT version STREQUAL "tallyvane-cli ${VERSION}\n" OR NOT desktop STREQUAL "tallyvane ${VERSION}\n")
    message(FATAL_ERROR "Versions: \"${version}\", \"${desktop}\", expected ${VERSION}")
endif()
# Hardened as Debian's own programs: hardening-check prints its findings and fails on a missing one.
# Not control-flow marks: the linker gives a program none unless every object has them, and the
# C library's start files of Debian 12 have none (our own code is compiled with them).
find_program(HARDENING_CHECK hardening-check)
if(HARDENED AND HARDENING_CHECK)
    foreach(program ${cli_programs} ${desktop_programs})
        execute_process(COMMAND ${HARDENING_CHECK} --nocfprotection ${usr}/${program}
            OUTPUT_VARIABLE report RESULT_VARIABLE status)
        message(STATUS "${report}")
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "${program} is not hardened")
        endif()
    endforeach()
endif()
# The manual pages format without a complaint.
find_program(MAN man)
if(MAN)
    foreach(page tallyvane tallyvane-cli tallyvane-help)
        execute_process(COMMAND ${MAN} --warnings -l ${usr}/share/man/man1/${page}.1.gz
            OUTPUT_QUIET ERROR_VARIABLE warnings)
        if(NOT warnings STREQUAL "")
            message(FATAL_ERROR "${page}(1): ${warnings}")
        endif()
    endforeach()
endif()
message(STATUS "Installed tree under ${ROOT} is complete")
