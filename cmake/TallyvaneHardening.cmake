# SPDX-License-Identifier: GPL-3.0-or-later
# The programs are hardened as Debian's own are, whatever flags the environment brings (the
# Makefile and the Debian package build bring dpkg-buildflags' ones): stack protector, stack
# clash protection, control-flow protection where the target has it, fortified C library calls
# and relocations made read-only at start. Fortified calls need optimisation: not in Debug builds.
# The source and build folders are mapped away in the debug information so that two builds in
# different folders give the same files (__FILE__ stays whole: the tests find their data by it).
include(CheckCXXCompilerFlag)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT TALLYVANE_SANITIZE)
    add_compile_options(-fstack-protector-strong)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "TALLYVANE_HAS${flag}" has_flag)
        check_cxx_compiler_flag(${flag} ${has_flag})
        if(${has_flag})
            add_compile_options(${flag})
        endif()
    endforeach()
    # Debian's compiler flags may define it already, to the same value.
    add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
    add_link_options(-Wl,-z,relro,-z,now)
endif()
# The later map wins: the build folder is checked before the source folder that may hold it.
add_compile_options(-fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.
    -fdebug-prefix-map=${CMAKE_BINARY_DIR}=build)
