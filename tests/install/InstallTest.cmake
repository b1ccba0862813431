# SPDX-License-Identifier: Apache-2.0
# Installs the build tree into WORK/prefix, configures and builds the
# consumer projects against the installed package alone, runs the contract's
# consumer, and runs the integrator's guide's minimal host on a device of its
# own with the installed component registered in a private registry.
#   cmake -DBUILD=<build tree> -DWORK=<scratch dir> -DCONSUMER=<source> -DGENERATOR=<gen> -P InstallTest.cmake
file(REMOVE_RECURSE ${WORK})
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " shown)
        message(FATAL_ERROR "failed (${result}): ${shown}\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/build -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${WORK}/prefix
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run(${CMAKE_COMMAND} --build ${WORK}/build)
run(${WORK}/build/consumer)

include(${CMAKE_CURRENT_LIST_DIR}/MinimalHostRun.cmake)
minimal_host_run(${WORK}/build/minimal-host ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
