# What a package author gets from `cmake --install`: the public headers in include/orvane/, and
# the CMake package lib/cmake/Orvane/ for find_package(Orvane). The libraries and kaldor install
# themselves into bin/.
include(CMakePackageConfigHelpers)

install(FILES
        ${PROJECT_SOURCE_DIR}/include/orvane/Orvane.h
        ${PROJECT_SOURCE_DIR}/include/orvane/KxPackageMgr.h
        ${PROJECT_SOURCE_DIR}/include/orvane/KxModuleMgr.h
        ${PROJECT_SOURCE_DIR}/include/orvane/OrvaneExport.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane)
install(FILES
        ${PROJECT_SOURCE_DIR}/include/orvane/recovery/LogRecords.h
        ${PROJECT_SOURCE_DIR}/include/orvane/recovery/StartupRecovery.h
        ${PROJECT_SOURCE_DIR}/include/orvane/recovery/StartupTimeline.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane/recovery)
# For hosts: Orvane::Recovery reads the log back (see StartupRecovery.h).
install(TARGETS OrvaneRecovery EXPORT OrvaneRecoveryTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

set(ORVANE_CONFIG_DIR lib/cmake/Orvane)
install(EXPORT OrvaneRecoveryTargets NAMESPACE Orvane:: DESTINATION ${ORVANE_CONFIG_DIR})
configure_package_config_file(
    ${CMAKE_CURRENT_LIST_DIR}/OrvaneConfig.cmake.in
    ${CMAKE_BINARY_DIR}/kit/OrvaneConfig.cmake
    INSTALL_DESTINATION ${ORVANE_CONFIG_DIR}
    PATH_VARS CMAKE_INSTALL_INCLUDEDIR)
write_basic_package_version_file(
    ${CMAKE_BINARY_DIR}/kit/OrvaneConfigVersion.cmake
    VERSION ${PROJECT_VERSION}
    COMPATIBILITY SameMajorVersion)
install(FILES
        ${CMAKE_BINARY_DIR}/kit/OrvaneConfig.cmake
        ${CMAKE_BINARY_DIR}/kit/OrvaneConfigVersion.cmake
        ${CMAKE_CURRENT_LIST_DIR}/OrvanePackage.cmake
        DESTINATION ${ORVANE_CONFIG_DIR})
