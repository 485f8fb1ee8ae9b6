# Install rules and packages: a Debian package on Linux, a zip with the
# program, the README and the manual page as text for each Windows program.
include(GNUInstallDirs)

if(WIN32)
  # A Windows user unpacks the zip and runs the program next to its README;
  # Windows has no man, so the manual page comes as plain text.
  find_program(GROFF groff REQUIRED)
  add_custom_command(OUTPUT vimbrel.txt
    COMMAND ${GROFF} -man -Tascii -P-cbou ${PROJECT_SOURCE_DIR}/man/vimbrel.1 > vimbrel.txt
    DEPENDS man/vimbrel.1
    COMMENT "Rendering the manual page as text")
  add_custom_target(vimbrel_manual_text ALL DEPENDS vimbrel.txt)
  install(TARGETS vimbrel RUNTIME DESTINATION .)
  install(FILES README.md ${PROJECT_BINARY_DIR}/vimbrel.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  # vimbrel-1.0.0-windows-32bit.zip and vimbrel-1.0.0-windows-64bit.zip.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME windows-32bit)
  else()
    set(CPACK_SYSTEM_NAME windows-64bit)
  endif()
else()
  install(TARGETS vimbrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES man/vimbrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME vimbrel)
set(CPACK_PACKAGE_VENDOR "Vimbrel developers")
set(CPACK_PACKAGE_CONTACT "Vimbrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two Interplay MVE movies into one")
set(CPACK_PACKAGE_DESCRIPTION
  "Vimbrel writes the first movie without its 16 closing bytes, followed by
the second movie without its 26-byte file header. It interprets nothing else
of the movies.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vimbrel)
# Packages carry the program without its debugging information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vimbrel developers")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are those of the program as built (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
