# Debian packages of the three install components, made by `cpack -G DEB` in a build
# folder configured with CMAKE_INSTALL_PREFIX=/usr (scripts/packages.sh does it all):
#   runtime      libusercollection<soversion>  the shared libraries
#   development  libusercollection-dev          headers, CMake package, pkg-config file
#   tool         usercollection                 the program, its man page and completion

set(USERCOLLECTION_PACKAGE_MAINTAINER "The usercollection authors <usercollection@example.org>"
    CACHE STRING "Maintainer named in the packages")

set(runtime_package libusercollection${USERCOLLECTION_SOVERSION})
set(development_package libusercollection-dev)
set(tool_package usercollection)

# Debian wants the licence and the changelog in each package's documentation folder:
# the copyright file in its machine-readable form, made from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(REGEX REPLACE "^MIT License\n\nCopyright \\(c\\) [^\n]*\n\n" "" licence "${licence}")
string(REGEX REPLACE "\n+$" "" licence "${licence}")
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
file(WRITE ${PROJECT_BINARY_DIR}/packaging/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: usercollection

Files: *
Copyright: 2026 The usercollection authors
License: Expat
 ${licence}
")
find_program(GZIP_EXECUTABLE gzip)
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
    COMMENT "Compressing the package changelog")
add_custom_target(usercollection-package-docs ALL DEPENDS ${changelog})
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/runtime.lintian-overrides.in
    ${PROJECT_BINARY_DIR}/packaging/${runtime_package} @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${runtime_package}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT runtime)
foreach(component runtime development tool)
    set(package ${${component}_package})
    install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME usercollection)
set(CPACK_PACKAGE_VENDOR "The usercollection authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${USERCOLLECTION_PACKAGE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# The packages hold what the build configured for, so the pkg-config file and the
# library folder agree with where they are unpacked.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# A RelWithDebInfo build may be packaged: the debugging information stays behind.
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tool)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${USERCOLLECTION_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on Qt and the C++ runtime from the binaries themselves; the packages'
# own libraries are found in the build, and the dependencies on them are stated below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(exact "(= ${PROJECT_VERSION})")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_MULTIARCH same)
# The loader's cache is updated through dpkg's trigger.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/triggers)
# The shlibs file lets other packages' dpkg-shlibdeps find this one; before 1.0 only
# the very version is compatible.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
"user collection library of a desktop video editor
The library keeps what the user of a video editor saved as their own:
presets of the audio equalizer and of the manual colour enhancement, imports,
intros and title presets, each under a display name that never collides with
one the user already has.
This package holds the shared libraries: the library and the editor libraries
and services it talks to over an in-process publish/subscribe bus.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${development_package})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${runtime_package} ${exact}, qtbase5-dev")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
"user collection library of a desktop video editor (development files)
The library keeps what the user of a video editor saved as their own:
presets, imports, intros and title presets.
This package holds the headers, the CMake package and the pkg-config file
for building against the library and the editor's services.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ${tool_package})
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${runtime_package} ${exact}")
set(CPACK_COMPONENT_TOOL_DESCRIPTION
"keep a video editor user's presets, imports, intros and titles
The usercollection program saves, lists, names, shows and removes the effect
presets, imports, intros and titles of a video editor's user in one data
folder, through the user collection library, draws a collection as a
picture and follows the changes of the folder as they happen. It comes with a
man page and bash completion, and with usercollection-browser, a window that
shows the collections live, with search, renaming, removal, and export and
import of packs.")

include(CPack)
