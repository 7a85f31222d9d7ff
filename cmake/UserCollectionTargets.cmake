# Shared settings of the project's own targets.

set(USERCOLLECTION_INCLUDE_INSTALL_DIR ${CMAKE_INSTALL_INCLUDEDIR}/usercollection)

# Before 1.0 every minor release may break the interface, so the soname carries it.
if(PROJECT_VERSION_MAJOR EQUAL 0)
    set(USERCOLLECTION_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
else()
    set(USERCOLLECTION_SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

# usercollection_library_names(<target> <output name>)
# Installed beside other software's libraries, so every file name carries the prefix.
function(usercollection_library_names target output_name)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${output_name}
        VERSION ${PROJECT_VERSION}
        SOVERSION ${USERCOLLECTION_SOVERSION})
endfunction()

function(usercollection_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
        if(USERCOLLECTION_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
                                                 -Woverloaded-virtual -Wcast-qual)
        if(USERCOLLECTION_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endif()
endfunction()

# usercollection_install_libraries(<target>...)
# The shared objects go to the runtime package, the link-time names to the development one.
function(usercollection_install_libraries)
    install(TARGETS ${ARGN} EXPORT UserCollectionTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endfunction()

# usercollection_editor_library(<name> ALIAS <alias> SOURCES ... HEADERS ... [LINK ...])
# One shared library of the editor stand-ins; HEADERS are relative to its include/.
function(usercollection_editor_library name)
    cmake_parse_arguments(ARG "" "ALIAS" "SOURCES;HEADERS;LINK" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    add_library(UserCollection::${ARG_ALIAS} ALIAS ${name})
    set_target_properties(${name} PROPERTIES EXPORT_NAME ${ARG_ALIAS} WINDOWS_EXPORT_ALL_SYMBOLS ON)
    string(REPLACE "_" "-" file_name ${name})
    usercollection_library_names(${name} usercollection-${file_name})
    target_include_directories(${name} PUBLIC
        $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
        $<INSTALL_INTERFACE:${USERCOLLECTION_INCLUDE_INSTALL_DIR}>)
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
    usercollection_warnings(${name})
    if(USERCOLLECTION_INSTALL)
        usercollection_install_libraries(${name})
        foreach(header ${ARG_HEADERS})
            get_filename_component(dir ${header} DIRECTORY)
            install(FILES include/${header}
                DESTINATION ${USERCOLLECTION_INCLUDE_INSTALL_DIR}/${dir} COMPONENT development)
        endforeach()
    endif()
endfunction()
