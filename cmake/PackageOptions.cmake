# Read by cpack for each package it builds.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_DEBIAN_PACKAGE_MAINTAINER)
  # Whoever builds the package answers for it: no address is made up.
  message(FATAL_ERROR "The Debian package needs its maintainer: configure with "
                      "-D VIMBREL_MAINTAINER=\"Your Name <you@example.org>\".")
endif()
