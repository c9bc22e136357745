# The Debian package: `cmake --build build --target package` (or `make package`) writes
# build/dtchart_<version>-1+deb<N>_<arch>.deb from the install rules, with the documents every
# Debian package carries, for the Debian release N of the machine that builds it.

# --- The release the package is for ------------------------------------------------------------

# Named as Debian marks a package built for one of its releases, 1.0.0-1+deb12 on Debian 12 and
# 1.0.0-1+deb13 on Debian 13, so that packages for two releases never share a version or a file
# name. The release is the build machine's (/etc/os-release), whose library packages
# dpkg-shlibdeps names. Elsewhere the mark is the system's ID and version (1.0.0-1+ubuntu24.04),
# or its code name where it has no version number (Debian testing: 1.0.0-1+debforky); such a
# package is built the same way, but only those for Debian 12 and 13 are tried.
set(DTCHART_DEBIAN_REVISION 1)
foreach(key ID VERSION_ID VERSION_CODENAME PRETTY_NAME)
  set(os_${key})
endforeach()
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release os_release REGEX "^(ID|VERSION_ID|VERSION_CODENAME|PRETTY_NAME)=")
  foreach(line IN LISTS os_release)
    if(line MATCHES "^([A-Z_]+)=\"?([^\"]*)\"?$")
      set(os_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
  endforeach()
endif()
string(TOLOWER "${os_ID}" os_ID)
string(REPLACE debian deb release_mark "${os_ID}")
if(os_VERSION_ID)
  string(APPEND release_mark "${os_VERSION_ID}")
else()
  string(APPEND release_mark "${os_VERSION_CODENAME}")
endif()
if(NOT os_ID OR release_mark STREQUAL os_ID OR release_mark STREQUAL deb)
  message(FATAL_ERROR "/etc/os-release does not say which release this is (ID, VERSION_ID or "
    "VERSION_CODENAME): the Debian package is named for the release it is built on")
endif()
# Only letters, digits, '.', '+' and '~' may follow the revision.
string(REGEX REPLACE "[^a-z0-9.+~]" "." release_mark "${release_mark}")
if(NOT release_mark MATCHES "^deb(12|13)$")
  message(STATUS "Debian package for ${os_PRETTY_NAME}: marked +${release_mark}; "
    "the package is tried on Debian 12 and 13 only")
endif()
set(DTCHART_DEB_VERSION ${PROJECT_VERSION}-${DTCHART_DEBIAN_REVISION}+${release_mark})
set(distribution ${os_VERSION_CODENAME})
if(NOT distribution)
  set(distribution unstable)
endif()

# --- Documents ---------------------------------------------------------------------------------

# data/changelog is the project's own changelog (changelog.gz). The package, being built for one
# release, also carries a Debian changelog (changelog.Debian.gz), written here: one entry for this
# version on this release, dated and signed as data/changelog's latest entry, so that the same
# sources always give the same package.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog)
file(STRINGS ${PROJECT_SOURCE_DIR}/data/changelog trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer)
  message(FATAL_ERROR "data/changelog has no entry")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.new
"dtchart (${DTCHART_DEB_VERSION}) ${distribution}; urgency=medium

  * dtchart ${PROJECT_VERSION} packaged for ${os_PRETTY_NAME}.

${trailer}
")
# Rewritten only when it changes, so that the package is not remade at each configure.
file(COPY_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.new
  ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian ONLY_IF_DIFFERENT)

# The manual page and the changelogs go in compressed as Debian wants them: gzip -9n, no name
# or time stamp inside, so that the same sources give the same package.
set(gz_docs)
foreach(doc ${PROJECT_SOURCE_DIR}/data/dtchart.1 ${PROJECT_SOURCE_DIR}/data/changelog
    ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian)
  get_filename_component(name ${doc} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/packaging/gz/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${doc} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${doc}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND gz_docs ${copy}.gz)
endforeach()
add_custom_target(gz_docs ALL DEPENDS ${gz_docs})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/gz/dtchart.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/gz/changelog.gz
  ${CMAKE_CURRENT_BINARY_DIR}/packaging/gz/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# One of lintian's verdicts is overridden, for a reason it is given: the metainfo names no
# homepage, as the viewer has none yet, and AppStream 1.0's validator (Debian 13) warns of that,
# which lintian reports as a failed validation. Everything else in the metainfo is checked
# strictly by the tests (tests/appstream-check.sh). Only where lintian has that verdict: Debian
# 12's does not, and would call the override an error.
if(EXISTS /usr/share/lintian/tags/a/appstream-metadata-validation-failed.tag)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/lintian-overrides
"# The viewer has no public homepage yet, and AppStream 1.0 warns of the missing
# homepage address; the rest of the metainfo passes its validator.
dtchart: appstream-metadata-validation-failed
")
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME dtchart)
endif()

# --- What the viewer loads at run time ---------------------------------------------------------

# The libraries the binary links come from dpkg-shlibdeps. What it loads at run time is named
# here by the package that holds it on this release: the Liberation Sans of the chart captions
# (fonts-liberation2 on Debian 12, fonts-liberation on 13), the Japanese gothic font of the scale
# label, and the X11 platform plugin (in the package of libQt6Gui, so already a dependency).
find_program(DTCHART_DPKG_QUERY dpkg-query)
if(NOT DTCHART_DPKG_QUERY)
  message(STATUS "No dpkg: no Debian package")
  return()
endif()
# dtchart_owner(VAR FILE): the package that installed FILE on this machine.
function(dtchart_owner var file)
  execute_process(COMMAND ${DTCHART_DPKG_QUERY} -S ${file}
    OUTPUT_VARIABLE owner RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed OR NOT owner MATCHES "^([^:, ]+)(:[a-z0-9]+)?: ")
    message(FATAL_ERROR "No package of this machine holds ${file}: the Debian package cannot "
      "name what provides it (scripts/install-deps installs it)")
  endif()
  set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
find_file(DTCHART_LIBERATION_SANS LiberationSans-Regular.ttf
  PATHS /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation NO_DEFAULT_PATH)
find_file(DTCHART_IPA_GOTHIC ipag.ttf PATHS /usr/share/fonts/opentype/ipafont-gothic NO_DEFAULT_PATH)
set(runtime_depends)
foreach(file ${DTCHART_LIBERATION_SANS} ${DTCHART_IPA_GOTHIC})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file}: a font the viewer draws with is missing (scripts/install-deps installs it)")
  endif()
  dtchart_owner(owner ${file})
  list(APPEND runtime_depends ${owner})
endforeach()
get_target_property(qt_gui Qt6::Gui LOCATION)
dtchart_owner(qt_gui_owner ${qt_gui})
dtchart_owner(xcb_owner ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/platforms/libqxcb.so)
if(NOT xcb_owner STREQUAL qt_gui_owner)
  list(APPEND runtime_depends ${xcb_owner})
endif()
list(JOIN runtime_depends ", " runtime_depends)

# --- The package -------------------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# Directories the package creates are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
  "Seed 1bb3b07a maintainers <maintainers@users.noreply.c-seed-1bb3b07a.example>")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"direction-time chart viewer for signal observation logs
dtchart shows one day of direction-resolved signal observations, 720
two-minute time slots by 180 two-degree direction bins, as a colour-coded
direction-time chart with a legend and the observation date. A scroll bar
picks a time slot, whose profile over direction is drawn on a polar plot.
It only reads log files and writes nothing.")

set(CPACK_DEBIAN_PACKAGE_RELEASE ${DTCHART_DEBIAN_REVISION}+${release_mark})
# Recommended, and so installed by apt unless told otherwise: Qt's Wayland platform plugin,
# without which a Wayland desktop shows the viewer through XWayland, scaled by the compositor
# and blurred at HiDPI scales but still whole; Qt's own translations of its dialogs; and the
# platform themes through which GNOME (and the desktops built on GTK) and the XDG portal give
# the viewer their own file dialog, without which Qt's serves. Plasma's comes with Plasma
# (plasma-integration, Qt 6 from Debian 13 on), which would bring KDE's libraries to other
# desktops: suggested only.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Cross-built (for arm64 on an amd64 machine), the package is for the processor the program is
# built for, and dpkg-shlibdeps reads that processor's libraries and names their packages: it
# is told the target through DEB_HOST_ARCH, set in CPack's own process by the project config.
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
    OUTPUT_VARIABLE DTCHART_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed OR NOT DTCHART_DEB_ARCH)
    message(FATAL_ERROR "dpkg-architecture names no Debian architecture for ${CMAKE_LIBRARY_ARCHITECTURE}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${DTCHART_DEB_ARCH})
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/cpack-project.cmake
    "set(ENV{DEB_HOST_ARCH} ${DTCHART_DEB_ARCH})\n")
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/cpack-project.cmake)
else()
  execute_process(COMMAND dpkg --print-architecture
    OUTPUT_VARIABLE DTCHART_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${runtime_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "qt6-wayland, qt6-translations-l10n, qt6-gtk-platformtheme, qt6-xdgdesktopportal-platformtheme")
if(NOT release_mark STREQUAL "deb12")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "plasma-integration")
endif()

include(CPack)
