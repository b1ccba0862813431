# Installs the build tree into WORK/prefix, then configures, builds and runs
# the consumer project against the installed package alone.
#   cmake -DBUILD=<build tree> -DWORK=<scratch dir> -DCONSUMER=<source> -DGENERATOR=<gen> -P InstallTest.cmake
file(REMOVE_RECURSE ${WORK})
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " shown)
        message(FATAL_ERROR "failed (${result}): ${shown}")
    endif()
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/build -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${WORK}/prefix
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run(${CMAKE_COMMAND} --build ${WORK}/build)
run(${WORK}/build/consumer)
file(REMOVE_RECURSE ${WORK})
