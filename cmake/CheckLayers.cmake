cmake_minimum_required(VERSION 3.25)

# Refuses an #include that reaches a folder the including library does not stand on.
#   cmake -DTARGET=<library> -DLIST=<file> -DSTAMP=<file> -P CheckLayers.cmake
# LIST holds the folders the library may include from on its first line (separated by ";") and
# then one source a line. The project's folders are known here; an include of any other path
# (Qt, the standard library, a file of the same folder without its folder) is not looked at.
# On success STAMP is touched, so the build runs the check again only when a source changes.

set(_project_folders platform widgets core entry setup reports convert sample)

file(STRINGS "${LIST}" _lines)
list(POP_FRONT _lines _allowed)
string(REPLACE "," ";" _allowed "${_allowed}")

set(_faults)
foreach(_file IN LISTS _lines)
    if(NOT EXISTS "${_file}")
        continue()
    endif()
    file(STRINGS "${_file}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(_line IN LISTS _includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" _path "${_line}")
        string(REGEX REPLACE "/.*$" "" _folder "${_path}")
        if(_folder IN_LIST _project_folders AND NOT _folder IN_LIST _allowed)
            list(APPEND _faults "  ${_file}: #include \"${_path}\"")
        endif()
    endforeach()
endforeach()

if(_faults)
    list(JOIN _faults "\n" _text)
    list(JOIN _allowed ", " _allowed_text)
    message(FATAL_ERROR
        "${TARGET}: an include goes against the layers of LAYERS.md; ${TARGET} may include only "
        "from ${_allowed_text}:\n${_text}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
