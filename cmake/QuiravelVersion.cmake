# SPDX-License-Identifier: Apache-2.0
# The version is written once, in the resource script's version block, whose
# texts the system shows as they are. The project, the library's file name and
# the package take theirs from its FILEVERSION: major, minor, 0, build becomes
# major.minor.build. The block's other version fields must say the same.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../resources/Quiravel.rc rcVersionLines
     REGEX "^[ \t]*(FILEVERSION|PRODUCTVERSION|VALUE \"(File|Product)Version\")")
set(rcFileVersion "")
foreach(line IN LISTS rcVersionLines)
    if(line MATCHES "FILEVERSION[ \t]+([0-9]+),([0-9]+),0,([0-9]+)")
        set(rcFileVersion ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
    endif()
endforeach()
if(NOT rcFileVersion)
    message(FATAL_ERROR "resources/Quiravel.rc: no FILEVERSION major,minor,0,build")
endif()
string(REPLACE "." ";" rcParts ${rcFileVersion})
list(GET rcParts 0 rcMajor)
list(GET rcParts 1 rcMinor)
list(GET rcParts 2 rcBuild)
# The texts show the minor number with two digits and the build with four.
string(LENGTH "${rcMinor}" length)
math(EXPR padding "2 - ${length}")
string(REPEAT "0" ${padding} zeros)
set(rcText "${rcMajor}.${zeros}${rcMinor}")
string(LENGTH "${rcBuild}" length)
math(EXPR padding "4 - ${length}")
string(REPEAT "0" ${padding} zeros)
string(APPEND rcText ".${zeros}${rcBuild}")
foreach(line IN LISTS rcVersionLines)
    if((line MATCHES "PRODUCTVERSION" AND NOT line MATCHES "PRODUCTVERSION[ \t]+${rcMajor},${rcMinor},0,${rcBuild}[ \t]*$")
       OR (line MATCHES "VALUE" AND NOT line MATCHES "\"${rcText}\""))
        message(FATAL_ERROR "resources/Quiravel.rc: \"${line}\" disagrees with FILEVERSION ${rcFileVersion}")
    endif()
endforeach()
set(QUIRAVEL_VERSION ${rcFileVersion})
