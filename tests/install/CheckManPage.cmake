# SPDX-License-Identifier: Apache-2.0
# Holds a tool's manual page to its --help: the same options (short and long
# names) and the same exit statuses, so neither can change alone.
#   cmake -DTOOL=<executable> -DPAGE=<page.1> -P CheckManPage.cmake
execute_process(COMMAND ${TOOL} --help RESULT_VARIABLE result OUTPUT_VARIABLE help ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TOOL} --help failed (${result}): ${errors}")
endif()
file(READ ${PAGE} page)

# The help lists an option a line, indented, names first.
set(helpOptions "")
string(REGEX MATCHALL "\n  -[^\n]*" optionLines "\n${help}")
foreach(line IN LISTS optionLines)
    string(REGEX MATCH "^\n  (-[a-zA-Z], )?--[a-z][a-z-]*" names "${line}")
    string(REGEX MATCHALL "--?[a-zA-Z][a-z-]*" names "${names}")
    list(APPEND helpOptions ${names})
endforeach()

# The page's OPTIONS section: a tagged paragraph an option, its names in bold.
string(REGEX MATCH "\n\\.SH OPTIONS\n.*" options "${page}")
string(REGEX REPLACE "^\n\\.SH OPTIONS\n" "" options "${options}")
string(REGEX REPLACE "\n\\.SH .*" "" options "${options}")
set(pageOptions "")
string(REGEX MATCHALL "\\.TP\n\\.B[IR]? [^\n]*" tags "${options}")
foreach(tag IN LISTS tags)
    string(REPLACE "\\-" "-" tag "${tag}")
    string(REGEX REPLACE "^\\.TP\n\\.B[IR]? " "" tag "${tag}")
    string(REGEX REPLACE "\"[^\"]*\"$" "" tag "${tag}")
    string(REGEX MATCHALL "--?[a-zA-Z][a-z-]*" names "${tag}")
    list(APPEND pageOptions ${names})
endforeach()

# "Exit status: 0 this, 1 that, 2 bad arguments." against the page's EXIT
# STATUS section, a tagged paragraph a status.
string(REGEX MATCH "Exit status: [^\n]*" statusLine "${help}")
string(REGEX MATCHALL "(: |, )[0-9]+ " helpStatuses "${statusLine}")
list(TRANSFORM helpStatuses REPLACE "[^0-9]" "")
string(REGEX MATCH "\n\\.SH EXIT STATUS\n.*" statuses "${page}")
string(REGEX REPLACE "^\n\\.SH EXIT STATUS\n" "" statuses "${statuses}")
string(REGEX REPLACE "\n\\.SH .*" "" statuses "${statuses}")
string(REGEX MATCHALL "\\.TP\n\\.B [0-9]+" pageStatuses "${statuses}")
list(TRANSFORM pageStatuses REPLACE "[^0-9]" "")

set(problems "")
foreach(kind Options Statuses)
    list(SORT help${kind})
    list(SORT page${kind})
    if(NOT help${kind})
        string(APPEND problems "\n  --help lists no ${kind}")
    elseif(NOT "${help${kind}}" STREQUAL "${page${kind}}")
        string(APPEND problems "\n  ${kind}: --help has \"${help${kind}}\", the page \"${page${kind}}\"")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${PAGE} disagrees with ${TOOL} --help:${problems}")
endif()
list(JOIN helpOptions " " shown)
message(STATUS "${PAGE}: options ${shown}, exit statuses ${helpStatuses}")
