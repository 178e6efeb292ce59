# orvane_add_package(<Name> SOURCES <file>... [RESOURCES <dir>] [DESTINATION <dir>])
#
# Builds the package library <Name>.so: a module without the "lib" prefix, with hidden symbols
# except the two entry points <Name>Init and <Name>Exit, which KX_PACKAGE_ENTRY exports. The
# platform finds the entry points by the file's name, so the target name is the package name.
#
# Installs the library to DESTINATION (default bin/KxApp, where the application list finds
# packages named relatively) and, when RESOURCES is given, that directory's content as the
# package's resource root bin/KxApp/Resource/<Name>/. A resource root needs at least one setting
# file (*.hcui in Configures/Default/Action/ or Configures/Default/Controls/).
function(orvane_add_package name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "RESOURCES;DESTINATION" "SOURCES")
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "orvane_add_package(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT ARG_SOURCES)
        message(FATAL_ERROR "orvane_add_package(${name}): SOURCES is required")
    endif()
    if(NOT DEFINED ARG_DESTINATION)
        set(ARG_DESTINATION bin/KxApp)
    endif()

    add_library(${name} MODULE ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${name}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_compile_features(${name} PRIVATE cxx_std_17)
    target_link_libraries(${name} PRIVATE Orvane::Headers)
    install(TARGETS ${name} LIBRARY DESTINATION ${ARG_DESTINATION})

    if(ARG_RESOURCES)
        get_filename_component(resources "${ARG_RESOURCES}" ABSOLUTE)
        if(NOT IS_DIRECTORY "${resources}")
            message(FATAL_ERROR "orvane_add_package(${name}): RESOURCES ${resources} is not a directory")
        endif()
        file(GLOB_RECURSE settings "${resources}/Configures/Default/Action/*.hcui"
                                   "${resources}/Configures/Default/Controls/*.hcui")
        if(NOT settings)
            message(WARNING "orvane_add_package(${name}): ${resources} has no setting file "
                            "(*.hcui in Configures/Default/Action or Controls); the package's "
                            "registration will fail")
        endif()
        install(DIRECTORY "${resources}/" DESTINATION bin/KxApp/Resource/${name})
    endif()
endfunction()
