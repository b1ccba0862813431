# SPDX-License-Identifier: Apache-2.0
# Include paths from the layer graph in cmake/layers.txt. Every header is
# included by its path from the top of the tree ("printfile/X.h"); a target
# of folder F gets one include directory holding links to F and to the
# folders F may use, directly or through them, and nothing else. A header of
# any other folder is then not found by the compiler.

include(${CMAKE_CURRENT_LIST_DIR}/LayerGraph.cmake)
quiravel_read_layers(${PROJECT_SOURCE_DIR}/cmake/layers.txt QUIRAVEL_LAYER)

# quiravel_layer(<target> <folder>): the target's sources belong to <folder>
# and see only what it may use. Private, so linking a target never widens
# what its users see: each user has its own folder's view.
function(quiravel_layer target folder)
    string(REPLACE "/" "_" key "${folder}")
    set(view "${PROJECT_BINARY_DIR}/layers/${key}")
    get_property(made GLOBAL PROPERTY QUIRAVEL_LAYER_VIEW_${key})
    if(NOT made)
        quiravel_layer_closure("${folder}" visible)
        file(REMOVE_RECURSE "${view}")
        foreach(used IN LISTS visible)
            get_filename_component(parent "${view}/${used}" DIRECTORY)
            file(MAKE_DIRECTORY "${parent}")
            file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${used}" "${view}/${used}" SYMBOLIC)
        endforeach()
        set_property(GLOBAL PROPERTY QUIRAVEL_LAYER_VIEW_${key} TRUE)
    endif()
    target_include_directories(${target} PRIVATE "${view}")
endfunction()
