# Install rules and packages. A Windows build makes a zip with the program,
# a README for Windows users and the licence. A Linux build installs the
# program, its manual page, the README and the licence; the static one makes
# the standalone archive. Debian's tools build the Debian package (debian/),
# from the shared build. Every build makes the source archive.
include(GNUInstallDirs)

if(WIN32)
  # A Windows user unpacks the zip and reads its text files in Notepad: CR
  # LF line ends, and names that Windows opens. The manual page is left out:
  # Windows has no man.
  configure_file(platform/win32/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  if(TARGET vimbrel_program)
    # Built by the build beside this one (CMakeLists.txt), and stripped as
    # install(TARGETS) strips a program of its own build: where the strip
    # program is missing (the guest, which packages what the host built), the
    # program goes in as it is.
    install(IMPORTED_RUNTIME_ARTIFACTS vimbrel RUNTIME DESTINATION .)
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/vimbrel.exe\")
    endif()")
  else()
    install(TARGETS vimbrel RUNTIME DESTINATION .)
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
          DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  # vimbrel-1.0.0-windows-32bit.zip and vimbrel-1.0.0-windows-64bit.zip.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME windows-32bit)
  else()
    set(CPACK_SYSTEM_NAME windows-64bit)
  endif()
else()
  install(TARGETS vimbrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The manual page carries the project's version on its title line.
  configure_file(man/vimbrel.1.in vimbrel.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/vimbrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # vimbrel-1.0.0-linux-x86_64.tar.gz, one folder laid out like the
  # installed tree.
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

set(CPACK_PACKAGE_NAME vimbrel)
set(CPACK_PACKAGE_VENDOR "The Vimbrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two Interplay MVE movies into one")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vimbrel)
# Packages carry the program without its debugging information.
set(CPACK_STRIP_FILES ON)

# vimbrel-1.0.0.tar.gz: the source tree without what builds and tests leave
# in it.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME vimbrel-${PROJECT_VERSION})
string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" source "${PROJECT_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES
  "^${source}/\\.git(/|$)" "^${source}/build/" "^${source}/out/" "^${source}/joined\\.mve$"
  "/__pycache__/" "\\.pyc$"
  # What dpkg-buildpackage leaves in a tree it built in.
  "^${source}/obj-" "^${source}/debian/(vimbrel|\\.debhelper|files$|debhelper-build-stamp$|.*\\.substvars$)")
# CPack writes the patterns into its configuration file as they are, to be
# read as CMake strings there.
string(REPLACE "\\" "\\\\" CPACK_SOURCE_IGNORE_FILES "${CPACK_SOURCE_IGNORE_FILES}")

# The packages' files carry the sources' date (cmake/SourceDate.cmake), not
# the time of the build.
configure_file(cmake/CPackSourceDate.cmake.in CPackSourceDate.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackSourceDate.cmake)

include(CPack)
