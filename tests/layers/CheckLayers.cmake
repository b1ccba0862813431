# SPDX-License-Identifier: Apache-2.0
# The layer check: every quoted #include of the source folders under ROOT
# may name only its own folder or a folder below it. Folders bottom up:
set(layers platform contract hostaccess resources printfile viewer component frame)
# Never included by the code, whatever their own includes are.
set(aside tests bench fuzz)
#
# Usage: cmake -DROOT=<tree> -P CheckLayers.cmake
# Prints each offending line as FILE:LINE: #include "..." and fails when
# there is one.
if(NOT DEFINED ROOT OR NOT IS_DIRECTORY "${ROOT}")
    message(FATAL_ERROR "CheckLayers.cmake: give -DROOT=<source tree>")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

# The folder a path under ROOT lies in.
function(top_folder path result)
    file(RELATIVE_PATH relative "${ROOT}" "${path}")
    string(REGEX REPLACE "/.*" "" top "${relative}")
    set(${result} "${top}" PARENT_SCOPE)
endfunction()

set(violations "")
set(checked 0)
foreach(layer IN LISTS layers)
    if(NOT IS_DIRECTORY "${ROOT}/${layer}")
        continue()
    endif()
    list(FIND layers ${layer} level)
    file(GLOB_RECURSE files LIST_DIRECTORIES false "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    list(SORT files)
    foreach(path IN LISTS files)
        math(EXPR checked "${checked} + 1")
        get_filename_component(directory "${path}" DIRECTORY)
        file(READ "${path}" text)
        # One list element a line: characters that a CMake list treats
        # specially are set aside first.
        string(REPLACE "\\" "/" text "${text}")
        string(REPLACE ";" "," text "${text}")
        string(REPLACE "[" "(" text "${text}")
        string(REPLACE "]" ")" text "${text}")
        string(REPLACE "\n" ";" lines "${text}")
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
                continue()
            endif()
            set(included "${CMAKE_MATCH_1}")
            # As the compiler looks: beside the including file first, then
            # from the top of the tree.
            if(EXISTS "${directory}/${included}")
                get_filename_component(target "${directory}/${included}" ABSOLUTE)
            else()
                get_filename_component(target "${ROOT}/${included}" ABSOLUTE)
            endif()
            top_folder("${target}" top)
            list(FIND layers "${top}" targetLevel)
            list(FIND aside "${top}" asideIndex)
            if(targetLevel GREATER level OR asideIndex GREATER -1)
                file(RELATIVE_PATH shown "${ROOT}" "${path}")
                string(STRIP "${line}" line)
                list(APPEND violations "${shown}:${number}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(LENGTH violations count)
    foreach(violation IN LISTS violations)
        message("${violation}")
    endforeach()
    message(FATAL_ERROR "${count} include(s) reach above their layer (bottom up: ${layers})")
endif()
message(STATUS "${checked} files keep to their layers")
