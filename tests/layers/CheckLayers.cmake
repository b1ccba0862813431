# SPDX-License-Identifier: Apache-2.0
# The layer check: every quoted #include of a file in a folder of the layer
# graph may name only a folder that folder may use (cmake/layers.txt, the
# same lines the build turns into include paths), directly or through its
# uses. The folders beside the layers are never included by them.
cmake_policy(VERSION 3.25)
set(aside tests bench fuzz)
#
# Usage: cmake -DROOT=<tree> [-DGRAPH=<layers.txt>] -P CheckLayers.cmake
# GRAPH defaults to ROOT/cmake/layers.txt. Prints each offending line as
# FILE:LINE: #include "..." and fails when there is one.
if(NOT DEFINED ROOT OR NOT IS_DIRECTORY "${ROOT}")
    message(FATAL_ERROR "CheckLayers.cmake: give -DROOT=<source tree>")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)
if(NOT DEFINED GRAPH)
    set(GRAPH "${ROOT}/cmake/layers.txt")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/LayerGraph.cmake)
quiravel_read_layers("${GRAPH}" QUIRAVEL_LAYER)

# The graph's folder a path under ROOT lies in (the deepest that holds it),
# else its first path component.
function(folder_of path result)
    file(RELATIVE_PATH relative "${ROOT}" "${path}")
    set(found "")
    foreach(folder IN LISTS QUIRAVEL_LAYER_FOLDERS)
        string(LENGTH "${folder}" length)
        string(LENGTH "${found}" foundLength)
        if(relative MATCHES "^${folder}/" AND length GREATER foundLength)
            set(found "${folder}")
        endif()
    endforeach()
    if(NOT found)
        string(REGEX REPLACE "/.*" "" found "${relative}")
    endif()
    set(${result} "${found}" PARENT_SCOPE)
endfunction()

set(violations "")
set(checked 0)
foreach(layer IN LISTS QUIRAVEL_LAYER_FOLDERS)
    if(NOT IS_DIRECTORY "${ROOT}/${layer}")
        continue()
    endif()
    quiravel_layer_closure("${layer}" allowed)
    file(GLOB_RECURSE files LIST_DIRECTORIES false "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    list(SORT files)
    foreach(path IN LISTS files)
        folder_of("${path}" own)
        if(NOT own STREQUAL layer)
            continue() # a deeper folder of the graph, checked as itself
        endif()
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
            folder_of("${target}" top)
            if((top IN_LIST QUIRAVEL_LAYER_FOLDERS AND NOT top IN_LIST allowed) OR top IN_LIST aside)
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
    message(FATAL_ERROR "${count} include(s) reach outside what their folder may use (${GRAPH})")
endif()
message(STATUS "${checked} files keep to their layers")
