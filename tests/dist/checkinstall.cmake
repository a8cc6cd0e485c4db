# SPDX-License-Identifier: GPL-3.0-or-later
# Checks an installed tree: the programs, the help book read by the installed viewer, the desktop
# entries, icons, metainfo, manual pages and copyright.
#   -DBUILD_DIR=... -DROOT=...  installs the build, stripped, into ROOT (as DESTDIR) first
#   -DDEB=... -DROOT=...        unpacks the Debian package into ROOT first and checks that its
#                               dependencies were found (the version is the package's)
# -DVERSION=... is the version the programs must show.
# ROOT is emptied first. The tree is checked under ROOT/usr.
file(REMOVE_RECURSE ${ROOT})
if(DEFINED DEB)
    execute_process(COMMAND dpkg-deb -x ${DEB} ${ROOT} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb -f ${DEB} Version Depends OUTPUT_VARIABLE fields
        COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCH "Version: ([^\n]*)" _ "${fields}")
    set(VERSION ${CMAKE_MATCH_1})
    foreach(library libqt6widgets6 libqt6network6 libqt6webenginewidgets6)
        if(NOT fields MATCHES "Depends:.*${library}")
            message(FATAL_ERROR "The package does not depend on ${library}: ${fields}")
        endif()
    endforeach()
else()
    set(ENV{DESTDIR} ${ROOT})
    execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr --strip
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
set(usr ${ROOT}/usr)

foreach(path bin/tallyvane bin/tallyvane-cli bin/tallyvane-help
        share/applications/tallyvane.desktop share/applications/tallyvane-help.desktop
        share/icons/hicolor/scalable/apps/tallyvane.svg
        share/icons/hicolor/16x16/apps/tallyvane.png share/icons/hicolor/256x256/apps/tallyvane.png
        share/metainfo/com.brannocks.Tallyvane.metainfo.xml
        share/man/man1/tallyvane.1.gz share/man/man1/tallyvane-cli.1.gz
        share/man/man1/tallyvane-help.1.gz share/doc/tallyvane/copyright)
    if(NOT EXISTS ${usr}/${path})
        message(FATAL_ERROR "Not installed: /usr/${path}")
    endif()
endforeach()

# Stripped programs, and the book appended again after stripping, read by the installed viewer.
foreach(program tallyvane tallyvane-cli tallyvane-help)
    execute_process(COMMAND file -b ${usr}/bin/${program} OUTPUT_VARIABLE kind)
    if(kind MATCHES "with debug_info" OR NOT kind MATCHES ", stripped")
        message(FATAL_ERROR "/usr/bin/${program} keeps its symbols: ${kind}")
    endif()
endforeach()
execute_process(COMMAND ${usr}/bin/tallyvane-help --list
    OUTPUT_VARIABLE entries ERROR_VARIABLE error RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT entries MATCHES "(^|\n)homepage\n" OR
   NOT entries MATCHES "(^|\n)/index.html\n")
    message(FATAL_ERROR "The installed viewer has no readable book (${status}): ${error}")
endif()
execute_process(COMMAND ${usr}/bin/tallyvane-cli --version OUTPUT_VARIABLE version)
execute_process(COMMAND ${usr}/bin/tallyvane --version OUTPUT_VARIABLE desktop)
if(NOT version STREQUAL "tallyvane-cli ${VERSION}\n" OR NOT desktop STREQUAL "tallyvane ${VERSION}\n")
    message(FATAL_ERROR "Versions: \"${version}\", \"${desktop}\", expected ${VERSION}")
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
