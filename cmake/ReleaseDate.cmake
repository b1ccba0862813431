# SPDX-License-Identifier: Apache-2.0
# QUIRAVEL_RELEASE_DATE: the date of docs/changelog's latest entry as
# YYYY-MM-DD, so that what is dated by the release (the manual pages) is the
# same on every build of it.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../docs/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer MATCHES ", ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "docs/changelog: the latest entry has no date: ${trailer}")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 1")
foreach(part month day)
    string(LENGTH "${${part}}" length)
    if(length EQUAL 1)
        string(PREPEND ${part} 0)
    endif()
endforeach()
set(QUIRAVEL_RELEASE_DATE ${year}-${month}-${day})
