# Installing and packaging.
#
# `cmake --install` puts the programs in bin/, the man pages in
# share/man/man1 and the README in share/doc/padlink. Programs install with
# `install(TARGETS name)`, which takes bin/ from here. Every
# docs/man/NAME.1.in is a man page: configured with the version into
# man/NAME.1 of the build (checked there by the test ManPages), and installed
# compressed when the build makes a program NAME.
#
# CPack then makes, on Linux, a Debian package padlink_<version>_<arch>.deb
# (dependencies from dpkg-shlibdeps) and, in the Windows build, a zip with
# the programs (padlink.exe, padlink-plot.exe, padlink-keytest.exe),
# README.txt and their man pages as text. tools/package.sh builds both, each
# from a release build of its own (presets package and package-windows), or
# packs those of two release builds that exist (CI's ci and windows).
#
# PADLINK_DEBIAN_FLAGS builds with Debian's build flags, hardening included
# (dpkg-buildflags), as the Debian package's programs are built: the
# presets package and ci set it.

option(PADLINK_DEBIAN_FLAGS "Build with Debian's build flags (dpkg-buildflags, hardening=+all)"
       OFF)
if(PADLINK_DEBIAN_FLAGS AND NOT WIN32)
  # Run from the source directory, whose path the flags map away.
  foreach(kind CXXFLAGS CPPFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              dpkg-buildflags --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE PADLINK_DEBIAN_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "PADLINK_DEBIAN_FLAGS needs dpkg-buildflags (package dpkg-dev)")
    endif()
  endforeach()
  string(APPEND CMAKE_CXX_FLAGS " ${PADLINK_DEBIAN_CXXFLAGS} ${PADLINK_DEBIAN_CPPFLAGS}")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " ${PADLINK_DEBIAN_LDFLAGS}")
endif()

if(WIN32)
  # The zip is one folder: the program beside its documents.
  set(CMAKE_INSTALL_BINDIR .)
  set(CMAKE_INSTALL_DOCDIR .)
endif()
include(GNUInstallDirs)

# --- Man pages --------------------------------------------------------------

file(GLOB PADLINK_MAN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1.in)
set(PADLINK_MAN_OUTPUTS "")
find_program(PADLINK_GROFF groff)
foreach(source IN LISTS PADLINK_MAN_SOURCES)
  get_filename_component(page ${source} NAME_WLE)  # padlink.1
  get_filename_component(name ${page} NAME_WLE)    # padlink
  set(configured ${PROJECT_BINARY_DIR}/man/${page})
  configure_file(${source} ${configured} @ONLY)
  if(NOT WIN32)
    # Compressed as Debian wants them: best compression, no name or time
    # stamp, so that the same page gives the same bytes.
    set(output ${configured}.gz)
    add_custom_command(
      OUTPUT ${output}
      COMMAND gzip -9n -c ${configured} > ${output}
      DEPENDS ${configured}
      COMMENT "Compressing ${page}"
      VERBATIM)
    set(PADLINK_MAN_DESTINATION_${name} ${CMAKE_INSTALL_MANDIR}/man1)
  elseif(PADLINK_GROFF)
    # Rendered as plain text (no overstriking, no hyphenation, CRLF) for
    # readers without man.
    set(output ${PROJECT_BINARY_DIR}/man/${name}.txt)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${PADLINK_GROFF} -t -man -Tascii -P-cbou -rHY=0 -rLL=78n ${configured}
              > ${output}.lf
      COMMAND ${CMAKE_COMMAND} -DIN=${output}.lf -DOUT=${output} -P
              ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
      DEPENDS ${configured} ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
      COMMENT "Rendering ${page} as text"
      VERBATIM)
    set(PADLINK_MAN_DESTINATION_${name} ${CMAKE_INSTALL_DOCDIR})
  else()
    message(WARNING "groff not found: the Windows package will have no manual as text")
    continue()
  endif()
  list(APPEND PADLINK_MAN_OUTPUTS ${output})
  list(APPEND PADLINK_MAN_NAMES ${name})
  set(PADLINK_MAN_OUTPUT_${name} ${output})
endforeach()

# A page installs with its program: once every target is defined, the pages
# whose program this build makes.
function(padlink_install_man_pages)
  foreach(name IN LISTS PADLINK_MAN_NAMES)
    if(TARGET ${name})
      install(FILES ${PADLINK_MAN_OUTPUT_${name}} DESTINATION ${PADLINK_MAN_DESTINATION_${name}})
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL padlink_install_man_pages)
add_custom_target(man ALL DEPENDS ${PADLINK_MAN_OUTPUTS})

# --- Documents --------------------------------------------------------------

# The documents the README links to, installed beside it as in the source
# tree (docs/), so that its links hold where it is read.
set(PADLINK_LINKED_DOCS docs/remote.md docs/terminals.md docs/timing.md docs/run.svg)

if(WIN32)
  # README.txt opens with a few lines for Windows, then the README.
  set(readme ${PROJECT_BINARY_DIR}/README.txt)
  set(readme_head ${PROJECT_SOURCE_DIR}/cmake/readme-windows.txt)
  add_custom_command(
    OUTPUT ${readme}
    COMMAND ${CMAKE_COMMAND} -DHEAD=${readme_head} -DIN=${PROJECT_SOURCE_DIR}/README.md
            -DOUT=${readme} -P ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${readme_head} ${PROJECT_SOURCE_DIR}/cmake/crlf.cmake
    VERBATIM)
  add_custom_target(readme ALL DEPENDS ${readme})
  install(FILES ${readme} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PADLINK_LINKED_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
else()
  # The change log in Debian's format, compressed as the README's neighbour.
  set(changelog ${PROJECT_BINARY_DIR}/changelog.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/debian/changelog > ${changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/debian/changelog
    VERBATIM)
  add_custom_target(changelog ALL DEPENDS ${changelog})
  install(FILES README.md docs/debian/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PADLINK_LINKED_DOCS} DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
endif()

# --- Packages ---------------------------------------------------------------

set(CPACK_PACKAGE_NAME padlink)
set(CPACK_PACKAGE_VENDOR "padlink maintainers")
set(CPACK_PACKAGE_CONTACT "padlink maintainers <maintainers@padlink.example>"
    CACHE STRING "Maintainer of the packages")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for a small robot over a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "padlink drives a small robot from the keyboard over a serial line: every key\n"
    "of its key map becomes a one-byte command for the robot's controller, in\n"
    "strobe mode (an RTS strobe after every byte) or cable mode. While you drive,\n"
    "it can poll one of the robot's A/D ports or gyros and print timed,\n"
    "comma-separated samples on standard output, for a file or a plotting tool.\n"
    "\n"
    "The package also holds padlink-plot, which draws padlink's samples as a\n"
    "live chart in the terminal and as an SVG picture; padlink-robot, a\n"
    "simulated robot controller on a pseudo-terminal for trying padlink without\n"
    "hardware; and padlink-keytest, which shows what padlink makes of each key\n"
    "a terminal sends.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "")
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "padlink-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # padlink_1.7_amd64.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Directories 0755 and documents 0644 whatever the builder's umask.
  set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
include(CPack)
