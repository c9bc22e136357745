# The Windows build as users get it: dtchart.exe with its icon and version information, install
# rules that put the program and everything it needs in one folder, and CPack's setup program
# and zip: `cmake --build build-windows --target package` (or `make package-windows`) writes
# dtchart-<version>-win64.exe and dtchart-<version>-win64.zip.

set(dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# Publisher and copyright line from data/copyright, the one place that names them:
# "Copyright: 2026 dtchart maintainers" gives "dtchart maintainers".
file(STRINGS ${PROJECT_SOURCE_DIR}/data/copyright copyright REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: *" "" copyright "${copyright}")
string(REGEX REPLACE "^[0-9, -]+" "" DTCHART_PUBLISHER "${copyright}")
if(NOT DTCHART_PUBLISHER)
  message(FATAL_ERROR "data/copyright names no copyright holder")
endif()
set(DTCHART_COPYRIGHT "Copyright © ${copyright}")

# The icon, drawn from the desktop icon at each size Windows asks for; the 256-pixel image is
# kept as PNG inside the .ico, as Windows Vista and later read it.
find_program(DTCHART_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(DTCHART_ICOTOOL icotool REQUIRED)
set(DTCHART_ICON ${dir}/dtchart.ico)
set(svg ${PROJECT_SOURCE_DIR}/data/org.dtchart.Viewer.svg)
set(render)
set(images)
foreach(size 16 24 32 48 64 256)
  set(png ${dir}/icon-${size}.png)
  list(APPEND render COMMAND ${DTCHART_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg})
  if(size EQUAL 256)
    list(APPEND images --raw=${png})
  else()
    list(APPEND images ${png})
  endif()
endforeach()
add_custom_command(OUTPUT ${DTCHART_ICON}
  ${render}
  COMMAND ${DTCHART_ICOTOOL} -c -o ${DTCHART_ICON} ${images}
  DEPENDS ${svg}
  COMMENT "Making the program's icon from ${svg}"
  VERBATIM)

# Icon and version information go into dtchart.exe as resources.
configure_file(${PROJECT_SOURCE_DIR}/src/ui/dtchart.rc.in ${dir}/dtchart.rc @ONLY)
target_sources(dtchart PRIVATE ${dir}/dtchart.rc ${DTCHART_ICON})
set_source_files_properties(${dir}/dtchart.rc PROPERTIES OBJECT_DEPENDS ${DTCHART_ICON})

# --- Install rules: one folder, the program at its root -----------------------------------------

install(TARGETS dtchart RUNTIME DESTINATION .)
# Beside the installed program goes what the build puts beside it, found by the same script
# from the installed program's imports, so nothing is listed here. An install that strips
# (CPack, cmake --install --strip) strips those DLLs too: libstdc++ alone carries 20 MB of
# debugging information.
list(JOIN DTCHART_DEPLOY_SETTINGS "\" \"" settings)
install(CODE "
  set(destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  message(STATUS \"Deploying beside: \${destination}/dtchart.exe\")
  execute_process(COMMAND \"${CMAKE_COMMAND}\"
      \"-DPROGRAM=\${destination}/dtchart.exe\" \"-DDESTINATION=\${destination}\"
      \"${settings}\" -P \"${DTCHART_DEPLOY_SCRIPT}\"
    COMMAND_ERROR_IS_FATAL ANY)
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB_RECURSE dlls \"\${destination}/*.dll\")
    foreach(dll IN LISTS dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${dll}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
")
# The licence, with Windows line ends for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/data/copyright ${dir}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${dir}/LICENSE.txt DESTINATION .)

# --- Setup program and zip ------------------------------------------------------------------------

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_VENDOR "${DTCHART_PUBLISHER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "View one day of direction-resolved signal observations")
set(CPACK_PACKAGE_FILE_NAME dtchart-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${dir}/LICENSE.txt)
# Both the same bytes from the same sources: file times from SOURCE_DATE_EPOCH, entries in name
# order, no builder's user (windows-package-steps.cmake; makensis reads folders in name order).
find_program(DTCHART_PERL perl REQUIRED)
set(CPACK_DTCHART_PERL ${DTCHART_PERL})
set(CPACK_DTCHART_WRITE_ZIP ${PROJECT_SOURCE_DIR}/cmake/write-zip.pl)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-package-steps.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-package-steps.cmake)
# The zip unpacks into one folder named as the zip, the program at its root.

# The setup program is built from cmake/nsis/NSIS.template.in, not CMake's own template, which
# makes a 32-bit setup program (Debian's Wine cannot start one, and it would write to the
# 32-bit registry view) and offers a per-user install and PATH changes this program has no use
# for. One key in the registry, without the version, so that a new version replaces the old.
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_PACKAGE_INSTALL_DIRECTORY dtchart)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY dtchart)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME dtchart)
set(CPACK_NSIS_DISPLAY_NAME dtchart)
set(CPACK_NSIS_MUI_ICON ${DTCHART_ICON})
set(CPACK_NSIS_MUI_UNIICON ${DTCHART_ICON})
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)

include(CPack)
