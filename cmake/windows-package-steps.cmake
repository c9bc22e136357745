# Run by CPack for the setup program and the zip, so that the same sources give the same bytes
# wherever, whenever and by whomever they are built: before it packs the installed tree
# (CPACK_PRE_BUILD_SCRIPTS), and again after (CPACK_POST_BUILD_SCRIPTS, which names the
# packages made in CPACK_PACKAGE_FILES).
set(tree "${CPACK_TEMPORARY_DIRECTORY}")

if(NOT DEFINED CPACK_PACKAGE_FILES)
  # Every file and folder gets the time SOURCE_DATE_EPOCH says: the setup program stores each
  # file's time and gives it back to the installed file.
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    execute_process(COMMAND find "${tree}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
  # The uninstaller removes exactly what was installed, files in name order, then folders, the
  # deepest first. CPack's own list follows the order the file system lists them in.
  if(CPACK_GENERATOR STREQUAL NSIS)
    file(GLOB_RECURSE entries RELATIVE "${tree}" LIST_DIRECTORIES true "${tree}/*")
    list(SORT entries)
    set(files)
    set(folders)
    foreach(entry IN LISTS entries)
      string(REPLACE / \\ path "${entry}")
      if(IS_DIRECTORY "${tree}/${entry}")
        list(PREPEND folders "  RMDir \"$INSTDIR\\${path}\"\n")
      else()
        list(APPEND files "  Delete \"$INSTDIR\\${path}\"\n")
      endif()
    endforeach()
    list(JOIN files "" files)
    list(JOIN folders "" folders)
    file(WRITE "${CPACK_TOPLEVEL_DIRECTORY}/uninstall.nsh" "${files}${folders}")
  endif()
elseif(CPACK_GENERATOR STREQUAL ZIP)
  # CPack's zip lists its entries in the file system's order and records the builder's user:
  # written again from the same tree by write-zip.pl, in name order, without owner.
  foreach(zip IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND "${CPACK_DTCHART_PERL}" "${CPACK_DTCHART_WRITE_ZIP}" "${zip}" "${tree}"
        "${CPACK_PACKAGE_FILE_NAME}"
      COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()
