# SPDX-License-Identifier: Apache-2.0
# minimal_host_run(<host> <prefix>): registers the component installed under
# <prefix> (in its private plugin folder) with the installed quiravel-regsvr
# in a registry of the run's own, and has the guide's minimal host show a
# device of two template files. Needs WORK and run() of the caller.
function(minimal_host_run host prefix)
    file(GLOB library ${prefix}/lib/*/quiravel/libQuiravel.so)
    list(LENGTH library count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "expected the component in ${prefix}/lib/<triplet>/quiravel/, found \"${library}\"")
    endif()
    set(ENV{QUIRAVEL_REGISTRY} ${WORK}/host-registry.reg)
    run(${prefix}/bin/quiravel-regsvr ${library})

    set(device ${WORK}/device)
    foreach(language 001 049)
        file(WRITE ${device}/Mini${language}.HTM "<html><body><p>Flow #FLOW#</p></body></html>\r\n")
    endforeach()
    run(${host} ${device})
    if(NOT out MATCHES "page: ([^\n]*MiniPRN.HTM)\n")
        message(FATAL_ERROR "the minimal host names no print file:\n${out}")
    endif()
    file(STRINGS ${CMAKE_MATCH_1} page)
    if(NOT page STREQUAL "<html><body><p>Flow 12.5</p></body></html>")
        message(FATAL_ERROR "the minimal host's page is not filled: ${page}")
    endif()
endfunction()
