# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when an include runs the wrong way:
#  - a source of the core library includes a widget header or a header of the windows library;
#  - a source of the chart library (which tallyvane-cli links) includes a header of the windows
#    library or of the web engine;
#  - a source includes a header of a folder above its own in the chain
#      store <- shell <- sales <- charts <- barcodes <- internet <- interchange <- inventory <- app
#  - the help viewer includes anything of the desktop program.
# Called with -DCORE=<paths|...> -DCHARTS=<paths|...> -DUI=<paths|...> -DSOURCE_DIR=<root>;
# paths are absolute.
string(REPLACE "|" ";" CORE "${CORE}")
string(REPLACE "|" ";" CHARTS "${CHARTS}")
string(REPLACE "|" ";" UI "${UI}")
set(chain store shell sales charts barcodes internet interchange inventory app)

set(widget_headers "QtWidgets|QtPrintSupport|QtWebEngine|QWidget|QDialog|QMessageBox|QApplication|QMainWindow|QMdi|QPushButton|QLabel|QLineEdit|QComboBox|QTableView|QFileDialog|QInputDialog|QPrintDialog|QPrinter|QWebEngine")

set(ui_headers "")
foreach(src IN LISTS UI)
    if(src MATCHES "\\.h$")
        file(RELATIVE_PATH rel "${SOURCE_DIR}" "${src}")
        list(APPEND ui_headers "${rel}")
    endif()
endforeach()

set(bad "")
function(folder_rank path out)
    set(rank -1)
    if(path MATCHES "^manager/([a-z]+)/")
        list(FIND chain "${CMAKE_MATCH_1}" rank)
    endif()
    set(${out} ${rank} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE all_sources RELATIVE "${SOURCE_DIR}"
    "${SOURCE_DIR}/manager/*.h" "${SOURCE_DIR}/manager/*.cpp"
    "${SOURCE_DIR}/help/*.h" "${SOURCE_DIR}/help/*.cpp")
foreach(rel IN LISTS all_sources)
    file(STRINGS "${SOURCE_DIR}/${rel}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    folder_rank("${rel}" own)
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
        if(rel MATCHES "^help/" AND target MATCHES "^manager/")
            list(APPEND bad "${rel}: the help viewer includes ${target}")
        endif()
        if(target MATCHES "^manager/")
            folder_rank("${target}" theirs)
            if(own GREATER_EQUAL 0 AND theirs GREATER own)
                list(APPEND bad "${rel}: includes ${target}, which is above it in the chain")
            endif()
        endif()
    endforeach()
endforeach()

# Adds to bad each header of the windows library that src includes.
function(no_window_headers src rel who)
    file(STRINGS "${src}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"manager/[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" target "${line}")
        list(FIND ui_headers "${target}" found)
        if(found GREATER_EQUAL 0)
            list(APPEND bad "${rel}: ${who} includes the window header ${target}")
        endif()
    endforeach()
    set(bad "${bad}" PARENT_SCOPE)
endfunction()

foreach(src IN LISTS CORE)
    if(NOT EXISTS "${src}")
        continue()
    endif()
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${src}")
    file(STRINGS "${src}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${widget_headers})")
    if(lines)
        list(APPEND bad "${rel}: core source includes a widget header: ${lines}")
    endif()
    no_window_headers("${src}" "${rel}" "core source")
endforeach()

# The chart library draws with Qt Charts and QtWidgets' graphics scene, but holds no window.
foreach(src IN LISTS CHARTS)
    if(NOT src MATCHES "\\.(h|cpp)$" OR NOT EXISTS "${src}")
        continue()
    endif()
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${src}")
    file(STRINGS "${src}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWebEngine|QWebEngine)")
    if(lines)
        list(APPEND bad "${rel}: the chart library includes the web engine: ${lines}")
    endif()
    no_window_headers("${src}" "${rel}" "the chart library")
endforeach()

if(bad)
    string(REPLACE ";" "\n" bad "${bad}")
    message(FATAL_ERROR "Includes that run the wrong way:\n${bad}")
endif()
message(STATUS "includes run one way down the chain; the core and the chart library include no window")
