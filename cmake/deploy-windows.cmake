# Puts beside a Windows program what it needs to run from its own folder: the Qt plugins it
# loads, every DLL that it and those plugins import, found from their import tables so that
# none can be forgotten, Qt's translations, and a qt.conf that keeps Qt to that folder. DLLs
# that Windows provides are left out.
#
# cmake -DPROGRAM=app.exe -DDESTINATION=dir -DQT_DIR=qt -DDLL_DIRS="a|b" -DOBJDUMP=objdump
#       -DTRANSLATIONS="x.qm|..." [-DSYSTEM_DLLS=dir] -P deploy-windows.cmake
cmake_minimum_required(VERSION 3.22)
string(REPLACE "|" ";" DLL_DIRS "${DLL_DIRS}")
string(REPLACE "|" ";" TRANSLATIONS "${TRANSLATIONS}")

# The window's platform plugin and the native look of the controls: every style plugin this Qt
# has (qwindowsvistastyle up to Qt 6.6, qmodernwindowsstyle from 6.7).
file(GLOB styles RELATIVE ${QT_DIR}/plugins ${QT_DIR}/plugins/styles/*.dll)
if(NOT EXISTS ${QT_DIR}/plugins/platforms/qwindows.dll OR NOT styles)
  message(FATAL_ERROR "${QT_DIR} has no Windows platform plugin or no style plugin")
endif()
set(plugins platforms/qwindows.dll ${styles})

set(modules)
foreach(plugin IN LISTS plugins)
  get_filename_component(dir ${plugin} DIRECTORY)
  file(COPY ${QT_DIR}/plugins/${plugin} DESTINATION ${DESTINATION}/${dir})
  list(APPEND modules ${QT_DIR}/plugins/${plugin})
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${OBJDUMP})

# The DLLs that may go beside the program, by lower-case name: CMake reports imports in lower
# case, and the files here keep Windows' mixed case on a case-sensitive disk.
foreach(dir IN LISTS DLL_DIRS)
  file(GLOB dlls ${dir}/*.dll)
  foreach(dll IN LISTS dlls)
    get_filename_component(name ${dll} NAME)
    string(TOLOWER ${name} name)
    if(NOT DEFINED dll_${name})
      set(dll_${name} ${dll})
    endif()
  endforeach()
endforeach()

# Follows the imports from the program and its plugins to every DLL they need.
set(pending ${PROGRAM} ${modules})
set(deployed)
while(pending)
  list(POP_FRONT pending file)
  file(GET_RUNTIME_DEPENDENCIES LIBRARIES ${file}
    PRE_EXCLUDE_REGEXES "^api-ms-win-" "^ext-ms-"
    UNRESOLVED_DEPENDENCIES_VAR imports)
  foreach(import IN LISTS imports)
    string(TOLOWER ${import} name)
    if(DEFINED dll_${name})
      if(NOT dll_${name} IN_LIST deployed)
        list(APPEND deployed ${dll_${name}})
        list(APPEND pending ${dll_${name}})
      endif()
    elseif(SYSTEM_DLLS AND IS_DIRECTORY ${SYSTEM_DLLS} AND NOT EXISTS ${SYSTEM_DLLS}/${name})
      message(FATAL_ERROR "${file} needs ${import}, which neither Qt, MinGW nor Windows provides")
    endif()
  endforeach()
endwhile()
file(COPY ${deployed} DESTINATION ${DESTINATION})

file(COPY ${TRANSLATIONS} DESTINATION ${DESTINATION}/translations)
# Without it Qt would look for plugins and translations in the folder above the program's.
file(WRITE ${DESTINATION}/qt.conf "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
