# Install rules and packages. A Windows build makes a zip with the program,
# the README, the licence and the manual page as text. A Linux program linked
# statically makes the standalone archive; one that loads the shared C
# library, as a distribution wants of its programs so that the C library's
# security updates reach them, makes the Debian package. Every build makes
# the source archive.
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
  install(FILES README.md LICENSE ${PROJECT_BINARY_DIR}/vimbrel.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  # vimbrel-1.0.0-windows-32bit.zip and vimbrel-1.0.0-windows-64bit.zip.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME windows-32bit)
  else()
    set(CPACK_SYSTEM_NAME windows-64bit)
  endif()
elseif(VIMBREL_STATIC)
  install(TARGETS vimbrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES man/vimbrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # vimbrel-1.0.0-linux-x86_64.tar.gz, one folder laid out like the
  # installed tree.
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
else()
  set(VIMBREL_MAINTAINER "" CACHE STRING
      "The Debian package's maintainer, \"Name <address>\": whoever builds the package")
  # Debian wants the manual page and the changelog compressed to the full,
  # without a time stamp, and the licence in its machine-readable copyright
  # file.
  find_program(GZIP gzip REQUIRED)
  set(debian ${PROJECT_BINARY_DIR}/debian)
  configure_file(cmake/debian/changelog.in ${debian}/changelog @ONLY)
  file(READ cmake/debian/copyright.in copyright)
  file(READ LICENSE licence)
  # The licence's text after its copyright line, as the paragraph of a field:
  # every line indented, an empty line as a dot.
  string(FIND "${licence}" "Permission" start)
  string(SUBSTRING "${licence}" ${start} -1 licence)
  string(STRIP "${licence}" licence)
  string(REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REPLACE "\n" "\n " licence "${licence}")
  file(WRITE ${debian}/copyright "${copyright} ${licence}\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               cmake/debian/copyright.in LICENSE)
  add_custom_command(OUTPUT ${debian}/vimbrel.1.gz ${debian}/changelog.gz
    COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/man/vimbrel.1 > ${debian}/vimbrel.1.gz
    COMMAND ${GZIP} -9n -c ${debian}/changelog > ${debian}/changelog.gz
    DEPENDS man/vimbrel.1 ${debian}/changelog
    COMMENT "Compressing the manual page and the changelog")
  add_custom_target(vimbrel_debian_files ALL
                    DEPENDS ${debian}/vimbrel.1.gz ${debian}/changelog.gz)
  install(TARGETS vimbrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${debian}/vimbrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md ${debian}/copyright ${debian}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME vimbrel)
set(CPACK_PACKAGE_VENDOR "The Vimbrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two Interplay MVE movies into one")
set(CPACK_PACKAGE_DESCRIPTION
  "Vimbrel writes the first movie without its 16 closing bytes, followed by
the second movie without its 26-byte file header. It interprets nothing else
of the movies.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vimbrel)
# Packages carry the program without its debugging information.
set(CPACK_STRIP_FILES ON)
# Refuses a Debian package without a maintainer.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageOptions.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VIMBREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are those of the program as built (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# vimbrel-1.0.0.tar.gz: the source tree without what builds and tests leave
# in it.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME vimbrel-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" source "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES
  "^${source}/\\.git(/|$)" "^${source}/build/" "^${source}/out/" "^${source}/joined\\.mve$"
  "/__pycache__/" "\\.pyc$")
# CPack writes the patterns into its configuration file as they are, to be
# read as CMake strings there.
string(REPLACE "\\" "\\\\" CPACK_SOURCE_IGNORE_FILES "${CPACK_SOURCE_IGNORE_FILES}")

include(CPack)
