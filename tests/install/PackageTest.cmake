# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages from the build tree, unpacks them into WORK/root
# as dpkg would install them, checks their dependencies, the plugin's place,
# the documentation's links, the manual pages, the copyright files and the
# changelogs against Debian's rules and the sources, runs lintian when it is
# installed, builds the consumer projects against the unpacked CMake package
# alone and runs the guide's minimal host, registers the unpacked component
# in a private registry and has the unpacked batch document a copy of the
# unpacked samples.
#   cmake -DBUILD=<build tree> -DWORK=<scratch dir> -DSOURCE=<source tree> -DCONSUMER=<source>
#         -DGENERATOR=<gen> -DCPACK=<cpack> -P PackageTest.cmake
file(REMOVE_RECURSE ${WORK})
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " shown)
        message(FATAL_ERROR "failed (${result}): ${shown}\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK}/deb)
set(packages quiravel quiravel-tools quiravel-dev)
set(debs "")
foreach(package IN LISTS packages)
    file(GLOB deb ${WORK}/deb/${package}_*.deb)
    list(LENGTH deb count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "expected one ${package}_*.deb in ${WORK}/deb, found \"${deb}\"")
    endif()
    set(deb_${package} ${deb})
    list(APPEND debs ${deb})
endforeach()
file(GLOB all ${WORK}/deb/*.deb)
list(LENGTH all count)
if(NOT count EQUAL 3)
    message(FATAL_ERROR "expected the three packages alone in ${WORK}/deb, found \"${all}\"")
endif()

run(dpkg-deb --field ${deb_quiravel} Version)
string(STRIP "${out}" version)

# The libraries the binaries load, and the engine's helper program no
# library names; the packages on top want exactly this build of the component.
run(dpkg-deb --field ${deb_quiravel} Depends)
foreach(dependency libqt6widgets6 libqt6printsupport6 libqt6webenginewidgets6 libqt6webenginecore6-bin)
    if(NOT out MATCHES "(^|, )${dependency}( |,|$)")
        message(FATAL_ERROR "quiravel does not depend on ${dependency}: ${out}")
    endif()
endforeach()
foreach(package quiravel-tools quiravel-dev)
    run(dpkg-deb --field ${deb_${package}} Depends)
    string(REPLACE "+" "\\+" escaped "${version}")
    if(NOT out MATCHES "(^|, )quiravel \\(= ${escaped}\\)(,|$)")
        message(FATAL_ERROR "${package} does not depend on exactly quiravel ${version}: ${out}")
    endif()
endforeach()
# A private plugin is in no directory the loader searches: no shlibs file,
# no loader cache trigger.
run(dpkg-deb --ctrl-tarfile ${deb_quiravel})
run(dpkg-deb --info ${deb_quiravel})
if(out MATCHES "shlibs|triggers")
    message(FATAL_ERROR "quiravel carries loader metadata for a private plugin:\n${out}")
endif()

set(root ${WORK}/root)
foreach(deb IN LISTS debs)
    run(dpkg-deb --extract ${deb} ${root})
endforeach()
set(prefix ${root}/usr)
file(GLOB library ${prefix}/lib/*/quiravel/libQuiravel.so)
if(NOT library)
    message(FATAL_ERROR "the package lacks /usr/lib/<triplet>/quiravel/libQuiravel.so")
endif()
file(GLOB public ${prefix}/lib/libQuiravel* ${prefix}/lib/*/libQuiravel*)
if(public)
    message(FATAL_ERROR "the component is in the loader's path: ${public}")
endif()
foreach(file bin/quiravel-frame bin/quiravel-batch bin/quiravel-regsvr bin/quiravel-tagcheck
             include/quiravel/contract/KQApplet.h include/quiravel/contract/HostContract.h
             include/quiravel/platform/ComponentHost.h share/quiravel/samples/flowmeter/FlowMeter.kqd
             share/doc/quiravel/README.md share/doc/quiravel/docs/device-files.md
             share/doc/quiravel/docs/hosting.md)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the packages lack /usr/${file}")
    endif()
endforeach()

# The installed documentation's relative links lead to installed files.
cmake_policy(SET CMP0009 NEW)
file(GLOB_RECURSE documents ${prefix}/share/doc/quiravel/*.md ${prefix}/share/quiravel/*.md)
foreach(document IN LISTS documents)
    file(READ ${document} text)
    get_filename_component(folder ${document} DIRECTORY)
    # CMake does not split a list whose items hold an unpaired "]": the
    # links are marked without brackets before they are listed.
    string(REPLACE "](" " <link>(" text "${text}")
    string(REGEX MATCHALL "<link>\\([^)#: \n]+[)#]" links "${text}")
    foreach(link IN LISTS links)
        string(REGEX REPLACE "^<link>\\(|[)#]$" "" target "${link}")
        if(NOT EXISTS ${folder}/${target})
            message(FATAL_ERROR "${document} links to ${target}, which is not installed")
        endif()
    endforeach()
endforeach()

# Debian's compression: gzip at its best (-9), without the file's name and
# time (-n), so its header is fixed up to the system byte. Decompressed, the
# file must be the one in the sources, byte for byte, but for a manual
# page's header, which names the release's date and version.
function(check_gzip file source)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the package lacks /usr/${file}")
    endif()
    file(READ ${prefix}/${file} header HEX LIMIT 9)
    if(NOT header STREQUAL "1f8b08000000000002")
        message(FATAL_ERROR "/usr/${file} is not gzip -9n output (header ${header})")
    endif()
    run(gzip --decompress --stdout ${prefix}/${file})
    file(READ ${source} expected)
    set(installed "${out}")
    if(expected MATCHES "(^|\n)\\.TH ")
        string(REGEX MATCH "(^|\n)\\.TH [^\n]*" header "${installed}")
        if(NOT header MATCHES "\\.TH [^ ]+ 1 \"[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\" \"Quiravel ${version}\"")
            message(FATAL_ERROR "/usr/${file} is not dated with the release and its version: ${header}")
        endif()
        string(REGEX REPLACE "(^|\n)\\.TH [^\n]*" "\\1.TH" expected "${expected}")
        string(REGEX REPLACE "(^|\n)\\.TH [^\n]*" "\\1.TH" installed "${installed}")
    endif()
    if(NOT installed STREQUAL expected)
        message(FATAL_ERROR "/usr/${file} does not hold ${source}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()


set(tools quiravel-frame quiravel-batch quiravel-regsvr quiravel-tagcheck)
foreach(tool IN LISTS tools)
    check_gzip(share/man/man1/${tool}.1.gz ${SOURCE}/docs/man/${tool}.1)
endforeach()
file(GLOB pages RELATIVE ${prefix}/share/man/man1 ${prefix}/share/man/man1/*)
list(TRANSFORM tools APPEND .1.gz)
list(SORT pages)
list(SORT tools)
if(NOT pages STREQUAL tools)
    message(FATAL_ERROR "/usr/share/man/man1 holds \"${pages}\", not \"${tools}\"")
endif()

# Each package's own copyright and changelog; the copyright file in its
# machine-readable form, naming the licence.
foreach(package IN LISTS packages)
    check_gzip(share/doc/${package}/changelog.gz ${SOURCE}/docs/changelog)
    if(NOT out MATCHES "^quiravel \\(([^)]*)\\) " OR NOT CMAKE_MATCH_1 STREQUAL version)
        message(FATAL_ERROR "the changelog's latest entry is not the package's version ${version}")
    endif()
    file(READ ${prefix}/share/doc/${package}/copyright copyright)
    foreach(field "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
                  "\nUpstream-Name: quiravel\n" "\n\nFiles: \\*\nCopyright: [^\n]+\nLicense: Apache-2.0\n"
                  "\n\nLicense: Apache-2.0\n [^\n]+\n" "/usr/share/common-licenses/Apache-2.0")
        if(NOT copyright MATCHES "${field}")
            message(FATAL_ERROR "/usr/share/doc/${package}/copyright lacks \"${field}\":\n${copyright}")
        endif()
    endforeach()
endforeach()

# Debian's own checks, where they are installed: no error, no warning.
find_program(LINTIAN lintian)
if(LINTIAN)
    run(${LINTIAN} --fail-on error,warning ${debs})
endif()

run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run(${CMAKE_COMMAND} --build ${WORK}/consumer)
run(${WORK}/consumer/consumer)
include(${CMAKE_CURRENT_LIST_DIR}/MinimalHostRun.cmake)
minimal_host_run(${WORK}/consumer/minimal-host ${prefix})

# A registry of the test's own, naming only the unpacked library: the batch
# can find no other.
set(ENV{QUIRAVEL_REGISTRY} ${WORK}/registry.reg)
set(ENV{LC_ALL} C)
run(${prefix}/bin/quiravel-regsvr ${library})
file(READ ${WORK}/registry.reg registry)
string(FIND "${registry}" "${library}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the registry does not name ${library}:\n${registry}")
endif()

file(COPY ${prefix}/share/quiravel/samples/flowmeter DESTINATION ${WORK}/plant)
run(${prefix}/bin/quiravel-batch --jobs 1 --pdf ${WORK}/pdf --summary ${WORK}/plant.csv ${WORK}/plant)
foreach(file plant/flowmeter/FlowMeterPRN.HTM pdf/flowmeter/FlowMeter.pdf)
    if(NOT EXISTS ${WORK}/${file})
        message(FATAL_ERROR "the batch did not write ${file}:\n${out}")
    endif()
endforeach()
file(STRINGS ${WORK}/plant.csv outcome REGEX "FlowMeter.kqd")
if(NOT outcome MATCHES ",ok,")
    message(FATAL_ERROR "the summary does not say the device is done: ${outcome}")
endif()
file(READ ${WORK}/pdf/flowmeter/FlowMeter.pdf head LIMIT 5)
if(NOT head MATCHES "^%PDF-")
    message(FATAL_ERROR "pdf/flowmeter/FlowMeter.pdf is no PDF")
endif()
file(REMOVE_RECURSE ${WORK})
