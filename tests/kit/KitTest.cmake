# Runs in script mode; see CMakeLists.txt beside it. Fails with a message naming the step.
cmake_minimum_required(VERSION 3.20)

function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${step} failed (${result}):\n${out}\n${err}")
    endif()
    set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run("Installing the build" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# A cross build (TOOLCHAIN) finds packages only below its system root; the kit is named directly.
if(TOOLCHAIN)
    set(kit -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DOrvane_DIR=${prefix}/lib/cmake/Orvane)
else()
    set(kit -DCMAKE_PREFIX_PATH=${prefix})
endif()
run("Configuring the example package" ${CMAKE_COMMAND} -S ${PACKAGE_SOURCE} -B ${WORK_DIR}/build
    -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} ${kit})
run("Building the example package" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("Installing the example package"
    ${CMAKE_COMMAND} --install ${WORK_DIR}/build --prefix ${prefix})

# Enabled in the installed demo's application list, the package comes up with that kaldor.
set(app_list ${prefix}/bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml)
file(READ ${app_list} apps)
string(REPLACE "</Apps>" "<App path=\"Greeter${SUFFIX}\" load=\"1\"/></Apps>" apps "${apps}")
file(WRITE ${app_list} "${apps}")
run("kaldor run with the package" ${CMAKE_COMMAND} -E env KALDOR_HOME=${WORK_DIR}/home
    ${EMULATOR} ${prefix}/bin/kaldor${PROGRAM_SUFFIX} run --install ${prefix})
string(REPLACE "\\" "/" output "${LAST_OUTPUT}")
string(FIND "${output}" "] bin/KxApp/Greeter${SUFFIX}\n" at)
if(at EQUAL -1)
    message(FATAL_ERROR "kaldor run did not load the package:\n${LAST_OUTPUT}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
