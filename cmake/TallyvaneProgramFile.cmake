# SPDX-License-Identifier: GPL-3.0-or-later
# tallyvane_program_file(FILE)
# A file the programs read from their own folder ("offline.html", ...): copied beside them in the
# build folder, and installed into the data folder, where programFile() finds it when the
# programs live in /usr/bin.
function(tallyvane_program_file file)
    get_filename_component(path ${file} ABSOLUTE)
    get_filename_component(name ${file} NAME)
    configure_file(${path} ${CMAKE_BINARY_DIR}/${name} COPYONLY)
    install(FILES ${path} DESTINATION ${CMAKE_INSTALL_DATADIR}/tallyvane)
endfunction()
