# What `cmake --install` of the host build puts on a publisher's machine, and
# the Debian package CPack makes of it: azpack in bin, the installer stubs and
# uninstallers of both targets in share/azsetup/<target>/ (where azpack looks
# for them), the manual page, the READMEs, the licence and the copyright file. The stubs are built by the
# Windows builds; AZPACK_STUB_BUILD_I686 and AZPACK_STUB_BUILD_X86_64 (see
# tools/azpack) name those build trees.
install(TARGETS azpack RUNTIME DESTINATION bin)

foreach(target i686 x86_64)
  string(TOUPPER ${target} upper)
  set(tree ${AZPACK_STUB_BUILD_${upper}})
  install(FILES ${tree}/src/app/azsetup.exe DESTINATION share/azsetup/${target})
  install(FILES ${tree}/src/uninstall/TAVUUNINSTALL.EXE DESTINATION share/azsetup/${target})
endforeach()

set(az_man ${CMAKE_BINARY_DIR}/azpack.1.gz)
add_custom_command(OUTPUT ${az_man}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/tools/azpack/azpack.1 > ${az_man}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/azpack/azpack.1
  VERBATIM)
add_custom_target(azpack_man ALL DEPENDS ${az_man})
install(FILES ${az_man} DESTINATION share/man/man1)
# The READMEs as installed: tools/azpack/README.md becomes azpack.md beside
# README.md, and the links between them follow.
set(az_readme ${CMAKE_BINARY_DIR}/README.installed.md)
add_custom_command(OUTPUT ${az_readme}
  COMMAND sed "s|tools/azpack/README.md|azpack.md|g" ${PROJECT_SOURCE_DIR}/README.md > ${az_readme}
  DEPENDS ${PROJECT_SOURCE_DIR}/README.md
  VERBATIM)
add_custom_target(azpack_readme ALL DEPENDS ${az_readme})
install(FILES ${az_readme} DESTINATION share/doc/azsetup RENAME README.md)
install(FILES ${PROJECT_SOURCE_DIR}/tools/azpack/README.md DESTINATION share/doc/azsetup
        RENAME azpack.md)
# The project's licence, and the Debian copyright file that adds the terms
# of what the Windows programs link statically (zlib, the mingw-w64 runtime).
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION share/doc/azsetup)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME azsetup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "azsetup developers <azsetup@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "azpack: builds self-extracting Windows installers from a folder")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
# Depends is worked out from the libraries azpack links (libc, libstdc++,
# zlib, libdeflate): all of them Debian's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
