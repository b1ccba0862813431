# SPDX-License-Identifier: Apache-2.0
# The Debian packages (./dev package): one per install component, each with
# its own description, the ones on top depending on exactly this version of
# the component. The binaries' library dependencies come from dpkg-shlibdeps;
# Debian's entry for the browser engine's library brings its helper program
# along (the package test holds that).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quiravel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quiravel developers")
set(CPACK_PACKAGE_CONTACT "Quiravel developers <developers@quiravel.invalid>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime tools dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

set(exactly "(= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quiravel)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quiravel-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "quiravel ${exactly}")
# Qt's own dialogs (print, message box buttons) in the user's language.
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME quiravel-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "quiravel ${exactly}, qt6-base-dev")
# The headers and static libraries are the same on every architecture but
# the CMake package names the multiarch directory, so the package is not
# Multi-Arch: same.

# CPack keeps the line breaks; Debian wants the lines within 80 columns and
# a summary that does not repeat the package's name.
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "print view component for field-device configuration hosts\n"
    "An in-process view component that fills a device's HTML print template\n"
    "with live device data and shows, prints or exports it. A host loads it at\n"
    "run time through its registration.\n"
    "\n"
    "This package holds the component, the sample devices and the\n"
    "documentation, the integrator's guide among it.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "reference host and tools for the Quiravel print view\n"
    "An in-memory host that shows the print view component on a device's\n"
    "files (quiravel-frame), documents whole folders of devices with print\n"
    "files and PDFs (quiravel-batch), registers the component\n"
    "(quiravel-regsvr) and lists what each tag of a template resolves to\n"
    "(quiravel-tagcheck).")
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "host contract headers for the Quiravel print view\n"
    "The interfaces a host implements and calls to embed the print view\n"
    "component, the hosting layer that registers and creates it by its\n"
    "programmatic identifier, and the CMake package Quiravel for host\n"
    "projects.")
foreach(component RUNTIME TOOLS DEV)
    string(REPLACE ";" "" CPACK_COMPONENT_${component}_DESCRIPTION "${CPACK_COMPONENT_${component}_DESCRIPTION}")
endforeach()
include(CPack)
