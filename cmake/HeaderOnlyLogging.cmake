# spdlog and fmt as header-only libraries, for a cross build that has no compiled copies of them.
# Only their two include folders are put on the path, never the build machine's /usr/include.
set(ORVANE_LOGGING_INCLUDE ${CMAKE_BINARY_DIR}/logging-include)
file(MAKE_DIRECTORY ${ORVANE_LOGGING_INCLUDE})
foreach(library spdlog fmt)
    if(NOT EXISTS /usr/include/${library}/format.h AND NOT EXISTS /usr/include/${library}/spdlog.h)
        message(FATAL_ERROR "/usr/include/${library} is missing (Debian package lib${library}-dev)")
    endif()
    file(CREATE_LINK /usr/include/${library} ${ORVANE_LOGGING_INCLUDE}/${library} SYMBOLIC)
endforeach()
add_library(spdlog_header_only INTERFACE)
target_include_directories(spdlog_header_only SYSTEM INTERFACE ${ORVANE_LOGGING_INCLUDE})
target_compile_definitions(spdlog_header_only INTERFACE SPDLOG_HEADER_ONLY FMT_HEADER_ONLY)
add_library(spdlog::spdlog_header_only ALIAS spdlog_header_only)
