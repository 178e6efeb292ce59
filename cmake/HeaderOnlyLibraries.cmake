# spdlog, fmt and CLI11 as header-only libraries, for a cross build that has no compiled copies of
# them and whose package search never looks in the build machine's /usr. Only their own include
# folders are put on the path, never the build machine's /usr/include.
set(ORVANE_HEADER_ONLY_INCLUDE ${CMAKE_BINARY_DIR}/header-only-include)
file(MAKE_DIRECTORY ${ORVANE_HEADER_ONLY_INCLUDE})
foreach(folder spdlog fmt CLI)
    if(NOT IS_DIRECTORY /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing (scripts/setup.sh windows installs it)")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${ORVANE_HEADER_ONLY_INCLUDE}/${folder} SYMBOLIC)
endforeach()
add_library(spdlog_header_only INTERFACE)
target_include_directories(spdlog_header_only SYSTEM INTERFACE ${ORVANE_HEADER_ONLY_INCLUDE})
target_compile_definitions(spdlog_header_only INTERFACE SPDLOG_HEADER_ONLY FMT_HEADER_ONLY)
add_library(spdlog::spdlog_header_only ALIAS spdlog_header_only)
add_library(cli11_header_only INTERFACE)
target_include_directories(cli11_header_only SYSTEM INTERFACE ${ORVANE_HEADER_ONLY_INCLUDE})
add_library(CLI11::CLI11 ALIAS cli11_header_only)
