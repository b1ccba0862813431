# SPDX-License-Identifier: Apache-2.0
# Writes a manual page with the release's date and version in its .TH line:
#   cmake -DSOURCE=<page> -DOUTPUT=<file> -DDATE=<YYYY-MM-DD> -DVERSION=<x.y.z> -P ManPage.cmake
file(READ ${SOURCE} page)
string(REGEX REPLACE "(^|\n)(\\.TH [^ ]+ [0-9]+) \"[^\"]*\" \"([^\" ]+)[^\"]*\"" "\\1\\2 \"${DATE}\" \"\\3 ${VERSION}\""
       dated "${page}")
if(dated STREQUAL page)
    message(FATAL_ERROR "${SOURCE}: no .TH line to date")
endif()
file(WRITE ${OUTPUT} "${dated}")
