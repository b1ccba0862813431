# SPDX-License-Identifier: Apache-2.0
# Reading the layer graph (cmake/layers.txt); shared by the build
# (Layers.cmake) and the layer check (tests/layers/CheckLayers.cmake).

# quiravel_read_layers(<file> <prefix>): sets <prefix>_FOLDERS and, for each
# folder, <prefix>_USES_<folder> (with "/" as "_") in the caller's scope.
function(quiravel_read_layers file prefix)
    file(STRINGS "${file}" lines REGEX "^[a-z/]+:")
    set(folders "")
    foreach(line IN LISTS lines)
        string(REGEX MATCH "^([a-z/]+):(.*)$" _ "${line}")
        set(folder "${CMAKE_MATCH_1}")
        string(STRIP "${CMAKE_MATCH_2}" uses)
        separate_arguments(uses UNIX_COMMAND "${uses}")
        string(REPLACE "/" "_" key "${folder}")
        list(APPEND folders "${folder}")
        set(${prefix}_USES_${key} "${uses}" PARENT_SCOPE)
    endforeach()
    set(${prefix}_FOLDERS "${folders}" PARENT_SCOPE)
endfunction()

# The folders a file of `folder` may include, itself first (after
# quiravel_read_layers(... QUIRAVEL_LAYER)).
function(quiravel_layer_closure folder result)
    set(seen "")
    set(pending "${folder}")
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen)
            continue()
        endif()
        string(REPLACE "/" "_" key "${current}")
        if(NOT DEFINED QUIRAVEL_LAYER_USES_${key} AND NOT current IN_LIST QUIRAVEL_LAYER_FOLDERS)
            message(FATAL_ERROR "cmake/layers.txt names no folder ${current}")
        endif()
        list(APPEND seen "${current}")
        list(APPEND pending ${QUIRAVEL_LAYER_USES_${key}})
    endwhile()
    set(${result} "${seen}" PARENT_SCOPE)
endfunction()

