# Runs in script mode; see CMakeLists.txt beside it. Fails with a message naming the step.
cmake_minimum_required(VERSION 3.20)

function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${step} failed (${result}):\n${out}\n${err}")
    endif()
    set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

function(expect_contains step text part)
    string(FIND "${text}" "${part}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${step}: expected to find \"${part}\" in:\n${text}")
    endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(install ${WORK_DIR}/install)
set(kaldor ${prefix}/bin/kaldor)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/home)

# 1. The kit.
run("Installing the build" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file include/orvane/Orvane.h include/orvane/KxPackageMgr.h include/orvane/KxModuleMgr.h
             include/orvane/OrvaneExport.h lib/cmake/Orvane/OrvaneConfig.cmake
             lib/cmake/Orvane/OrvaneConfigVersion.cmake lib/cmake/Orvane/OrvanePackage.cmake
             bin/Orvane.so bin/KxLog.so bin/Kaldor.so bin/Kaldor_Config.so bin/UserInterface.so
             bin/KxDbBase.so bin/KxGui.so bin/kaldor)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "The installed prefix lacks ${file}")
    endif()
endforeach()

# 2. The installed demo comes up from the prefix, its absolute application path included.
run("kaldor run on the installed demo"
    ${CMAKE_COMMAND} -E env KALDOR_HOME=${WORK_DIR}/home ${kaldor} run)
expect_contains("kaldor run on the installed demo" "${LAST_OUTPUT}" "] apps/Plotter.so")

# 3. The example package, built against the prefix.
run("Configuring the example package"
    ${CMAKE_COMMAND} -S ${PACKAGE_SOURCE} -B ${WORK_DIR}/package-build -G ${GENERATOR}
    -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run("Building the example package" ${CMAKE_COMMAND} --build ${WORK_DIR}/package-build -j 2)

# 4. Into a copy of the installed demo, enabled in its application list.
file(COPY ${prefix}/ DESTINATION ${install})
run("Installing the example package" ${CMAKE_COMMAND} --install ${WORK_DIR}/package-build
    --prefix ${install})
set(list_file ${install}/bin/KxApp/Resource/Orvane/NevraPreLoadApp.xml)
file(READ ${list_file} apps)
string(REPLACE "${prefix}/" "${install}/" apps "${apps}")
string(REPLACE "</Apps>" "  <App path=\"Greeter.so\" load=\"1\"/>\n</Apps>" apps "${apps}")
file(WRITE ${list_file} "${apps}")
foreach(file bin/KxApp/Greeter.so bin/KxApp/Resource/Greeter/Configures/Default/Action/greeter.hcui)
    if(NOT EXISTS ${install}/${file})
        message(FATAL_ERROR "The package's installation lacks ${file}")
    endif()
endforeach()

# 5. The dry run accepts it; the real run loads it and its database module reaches the host.
run("kaldor check with the package" ${kaldor} check --install ${install})
expect_contains("kaldor check with the package" "${LAST_OUTPUT}"
                "ok       application Greeter.so -> bin/KxApp/Greeter.so")
run("kaldor run with the package"
    ${CMAKE_COMMAND} -E env KALDOR_HOME=${WORK_DIR}/home KALDOR_TRACE=${WORK_DIR}/trace.txt
    ${kaldor} run --install ${install})
expect_contains("kaldor run with the package" "${LAST_OUTPUT}" "] bin/KxApp/Greeter.so\n")
file(READ ${WORK_DIR}/trace.txt trace)
expect_contains("the host's trace" "${trace}" "KxDbRegister\t9001\t0\t0")

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "The kit builds, installs and loads the example package")
