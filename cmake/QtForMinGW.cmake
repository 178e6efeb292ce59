# Qt 5 Core for the Windows cross build, from the folder scripts/setup.sh windows builds it into
# (scripts/qt-mingw-prefix.sh names it, for both). That folder holds no host tools: moc, rcc and
# lrelease are the build machine's, since what they produce does not depend on the target system.
execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/qt-mingw-prefix.sh
                OUTPUT_VARIABLE ORVANE_QT_MINGW_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE prefix_result)
if(NOT prefix_result EQUAL 0 OR NOT EXISTS ${ORVANE_QT_MINGW_PREFIX}/bin/Qt5Core.dll)
    message(FATAL_ERROR "Qt 5 Core for MinGW-w64 is missing from '${ORVANE_QT_MINGW_PREFIX}' "
                        "(run scripts/setup.sh windows to build it)")
endif()
# Defined before Qt's own files run, which then keep them instead of looking in the prefix
# (lrelease is found where the Linux build finds it).
foreach(tool qmake moc rcc)
    find_program(ORVANE_HOST_${tool} ${tool} HINTS /usr/lib/qt5/bin NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    add_executable(Qt5::${tool} IMPORTED GLOBAL)
    set_target_properties(Qt5::${tool} PROPERTIES IMPORTED_LOCATION ${ORVANE_HOST_${tool}})
endforeach()
find_package(Qt5Core 5.11 REQUIRED PATHS ${ORVANE_QT_MINGW_PREFIX}/lib/cmake/Qt5Core
             NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
# Beside the programs and libraries that load it, as on an installed system.
set(ORVANE_QT_CORE_DLL ${ORVANE_QT_MINGW_PREFIX}/bin/Qt5Core.dll)
configure_file(${ORVANE_QT_CORE_DLL} ${ORVANE_BIN_DIR}/Qt5Core.dll COPYONLY)
install(FILES ${ORVANE_QT_CORE_DLL} DESTINATION bin)
