# Builds the Debian package from the build tree, unpacks it into WORK/root
# as dpkg would install it, checks the manual pages, the copyright and the
# changelog against Debian's rules and the sources, builds the consumer
# project against the unpacked CMake package alone, registers the unpacked
# component library in a private registry and has the unpacked batch document
# a copy of the unpacked samples.
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
file(GLOB debs ${WORK}/deb/quiravel_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one quiravel_*.deb in ${WORK}/deb, found \"${debs}\"")
endif()

# The libraries the binaries load, and the engine's helper program no
# library names.
run(dpkg-deb --field ${debs} Depends)
foreach(dependency libqt6widgets6 libqt6printsupport6 libqt6webenginewidgets6 libqt6webenginecore6-bin)
    if(NOT out MATCHES "(^|, )${dependency}( |,|$)")
        message(FATAL_ERROR "the package does not depend on ${dependency}: ${out}")
    endif()
endforeach()

run(dpkg-deb --field ${debs} Version)
string(STRIP "${out}" version)

set(root ${WORK}/root)
run(dpkg-deb --extract ${debs} ${root})
set(prefix ${root}/usr)
foreach(file bin/quiravel-frame bin/quiravel-batch bin/quiravel-regsvr bin/quiravel-tagcheck
             include/quiravel/contract/KQApplet.h share/quiravel/samples/flowmeter/FlowMeter.kqd
             share/doc/quiravel/README.md share/doc/quiravel/device-files.md share/doc/quiravel/copyright)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the package lacks /usr/${file}")
    endif()
endforeach()

# Debian's compression: gzip at its best (-9), without the file's name and
# time (-n), so its header is fixed up to the system byte. Decompressed, the
# file must be the one in the sources, byte for byte.
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
    if(NOT out STREQUAL expected)
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

check_gzip(share/doc/quiravel/changelog.gz ${SOURCE}/docs/changelog)
if(NOT out MATCHES "^quiravel \\(([^)]*)\\) " OR NOT CMAKE_MATCH_1 STREQUAL version)
    message(FATAL_ERROR "the changelog's latest entry is not the package's version ${version}")
endif()

# The machine-readable form, naming the package and covering every file.
file(READ ${prefix}/share/doc/quiravel/copyright copyright)
foreach(field "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
              "\nUpstream-Name: quiravel\n" "\n\nFiles: \\*\nCopyright: [^\n]+\nLicense: [^\n]+\n ")
    if(NOT copyright MATCHES "${field}")
        message(FATAL_ERROR "/usr/share/doc/quiravel/copyright lacks \"${field}\":\n${copyright}")
    endif()
endforeach()
file(GLOB library ${prefix}/lib/libQuiravel.so.[0-9])
if(NOT library)
    message(FATAL_ERROR "the package lacks /usr/lib/libQuiravel.so.<major>")
endif()

run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run(${CMAKE_COMMAND} --build ${WORK}/consumer)
run(${WORK}/consumer/consumer)

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
