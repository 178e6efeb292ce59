# tinyxml2 compiled from Debian's source package, for a cross build that has no compiled copy of
# it (scripts/setup.sh windows unpacks the source). The target carries the name of the Linux
# build's imported one, so that the code that links it does not know the difference.
set(ORVANE_TINYXML2_SOURCE /usr/local/src/tinyxml2 CACHE PATH "tinyxml2 sources")
if(NOT EXISTS ${ORVANE_TINYXML2_SOURCE}/tinyxml2.cpp)
    message(FATAL_ERROR
        "${ORVANE_TINYXML2_SOURCE} is missing (run scripts/setup.sh windows to unpack it)")
endif()
add_library(tinyxml2_from_source STATIC ${ORVANE_TINYXML2_SOURCE}/tinyxml2.cpp)
target_include_directories(tinyxml2_from_source SYSTEM PUBLIC ${ORVANE_TINYXML2_SOURCE})
# Not this project's code: its own warnings are not ours to mend.
target_compile_options(tinyxml2_from_source PRIVATE -w)
add_library(tinyxml2::tinyxml2 ALIAS tinyxml2_from_source)
