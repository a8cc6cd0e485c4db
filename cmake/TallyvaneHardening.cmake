# SPDX-License-Identifier: GPL-3.0-or-later
# The programs are hardened as Debian's own are, whatever flags the environment brings (the
# Makefile and the Debian package build bring dpkg-buildflags' ones): stack protector, stack
# clash protection, control-flow protection where the target has it, fortified C library calls
# and relocations made read-only at start. Fortified calls need optimisation: only in optimised
# builds (TALLYVANE_HARDENED tells), not in Debug ones nor with the sanitizers.
# Level 3 (GCC 12 and later) also checks the copies whose size is only known at run time, which
# are most of them in Qt code: level 2 leaves the command line without a single checked call.
# The source folder is mapped away in the debug information so that two checkouts in different
# folders give the same files (__FILE__ stays whole: the tests find their data by it). The build
# folders inside it are left as they are, so that the compiler cache serves them all alike.
include(CheckCXXCompilerFlag)
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
set(TALLYVANE_HARDENED OFF)
if(NOT TALLYVANE_SANITIZE AND "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}}" MATCHES "-O[1-3sz]")
    set(TALLYVANE_HARDENED ON)
    add_compile_options(-fstack-protector-strong)
    foreach(flag -fstack-clash-protection -fcf-protection)
        string(MAKE_C_IDENTIFIER "TALLYVANE_HAS${flag}" has_flag)
        check_cxx_compiler_flag(${flag} ${has_flag})
        if(${has_flag})
            add_compile_options(${flag})
        endif()
    endforeach()
    # Debian's compiler flags may define it already, to a lower level.
    if(CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
        add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3)
    else()
        add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
    endif()
    add_link_options(-Wl,-z,relro,-z,now)
endif()
add_compile_options(-fdebug-prefix-map=${CMAKE_SOURCE_DIR}=.)
