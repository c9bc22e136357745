# The Debian package: `cmake --build build --target package` (or `make package`) writes
# build/dtchart_<version>_<arch>.deb from the install rules, with the documents every Debian
# package carries.

# The manual page and the changelog go in compressed as Debian wants them: gzip -9n, no name
# or time stamp inside, so that the same sources give the same package.
set(gz_docs)
foreach(doc dtchart.1 changelog)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/packaging/${doc})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/${doc} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/${doc}
    COMMENT "Compressing ${doc}"
    VERBATIM)
  list(APPEND gz_docs ${copy}.gz)
endforeach()
add_custom_target(gz_docs ALL DEPENDS ${gz_docs})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/dtchart.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

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

# The libraries the binary links come from dpkg-shlibdeps. What it loads at run time is added
# by hand: the Qt platform plugins that put a window on the desktop, the Japanese gothic
# font of the scale label and the Liberation Sans of the chart captions. Recommended, and so
# installed by apt unless told otherwise: Qt's Wayland platform plugin, without which a Wayland
# desktop shows the viewer through XWayland, scaled by the compositor and blurred at HiDPI
# scales but still whole; and Qt's own translations of its dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")

include(CPack)
