cmake_minimum_required(VERSION 3.21)
# cmake -DLIBRARY=<file> -DDESTINATION=<dir> [-DSET_RUN_PATH=ON] -P CopyLibrary.cmake
#
# Copies a library of the build into the demo installation and gives the copy the run path of
# an installed library, "$ORIGIN": the build's run path also names the build's own bin folder,
# through which a copy would quietly reach back into the build tree. A DLL has no run path.
get_filename_component(name "${LIBRARY}" NAME)
set(copy "${DESTINATION}/${name}")
file(MAKE_DIRECTORY "${DESTINATION}")
file(COPY_FILE "${LIBRARY}" "${copy}" ONLY_IF_DIFFERENT)
if(SET_RUN_PATH)
    file(RPATH_SET FILE "${copy}" NEW_RPATH "$ORIGIN")
endif()
