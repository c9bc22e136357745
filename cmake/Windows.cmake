# The Windows build, cross-compiled with MinGW-w64: a program runs from its own folder, with
# the DLLs, Qt plugins and Qt translations it needs beside it, and the tests run under Wine.

# Qt for Windows: Qt6_DIR is <qt>/lib/cmake/Qt6.
get_filename_component(DTCHART_QT_W64 "${Qt6_DIR}/../../.." ABSOLUTE)
find_program(DTCHART_OBJDUMP NAMES x86_64-w64-mingw32-objdump REQUIRED)

# The folders of the MinGW runtime DLLs, as the compiler finds them.
set(DTCHART_MINGW_DLL_DIRS)
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "The MinGW runtime ${dll} was not found")
  endif()
  get_filename_component(dir "${found}" DIRECTORY)
  get_filename_component(dir "${dir}" REALPATH)
  list(APPEND DTCHART_MINGW_DLL_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES DTCHART_MINGW_DLL_DIRS)
set(DTCHART_DLL_DIRS ${DTCHART_QT_W64}/bin ${DTCHART_MINGW_DLL_DIRS})

# Qt's own strings (the message box's はい/いいえ, the dialog's buttons) in Japanese, from
# Debian's translations of the same Qt version.
find_file(DTCHART_QTBASE_JA qtbase_ja.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# What Windows itself provides: Wine's builds of the system DLLs name them all. A dependency
# found neither there nor beside Qt or the compiler fails the deployment.
set(DTCHART_WINDOWS_SYSTEM_DLLS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# Tests run under Wine, each in a private prefix copied from one made for the build.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run)
string(REPLACE ";" ":" wine_dll_dirs "${DTCHART_DLL_DIRS}")
# The offscreen platform the suites run on reads its fonts from one folder: this machine's
# fonts are linked into one.
set(DTCHART_TEST_FONTS ${CMAKE_BINARY_DIR}/test-fonts)
file(GLOB fonts /usr/share/fonts/truetype/*/*.ttf /usr/share/fonts/opentype/*/*.otf
  /usr/share/fonts/opentype/*/*.ttf)
file(MAKE_DIRECTORY ${DTCHART_TEST_FONTS})
foreach(font IN LISTS fonts)
  get_filename_component(name ${font} NAME)
  file(CREATE_LINK ${font} ${DTCHART_TEST_FONTS}/${name} SYMBOLIC)
endforeach()

# Qt sends a Windows program's test log and messages to the debugger unless told that its
# output is read; under Wine it takes the pipe for no reader.
set(DTCHART_WINE_ENVIRONMENT
  "QT_FORCE_STDERR_LOGGING=1"
  "QT_QPA_FONTDIR=Z:${DTCHART_TEST_FONTS}"
  "DTCHART_WINE_DLL_DIRS=${wine_dll_dirs}"
  "DTCHART_WINE_PLUGIN_DIR=${DTCHART_QT_W64}/plugins"
  "DTCHART_WINE_TEMPLATE=${CMAKE_BINARY_DIR}/wine-template")

# The deployment script's settings, for the build folder and the install alike; lists travel
# to it with | between their items.
string(REPLACE ";" "|" deploy_dll_dirs "${DTCHART_DLL_DIRS}")
set(DTCHART_DEPLOY_SETTINGS
  "-DQT_DIR=${DTCHART_QT_W64}" "-DDLL_DIRS=${deploy_dll_dirs}"
  "-DSYSTEM_DLLS=${DTCHART_WINDOWS_SYSTEM_DLLS}" "-DOBJDUMP=${DTCHART_OBJDUMP}"
  "-DTRANSLATIONS=${DTCHART_QTBASE_JA}")
set(DTCHART_DEPLOY_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/deploy-windows.cmake)

# dtchart_deploy_beside(TARGET): after each build, TARGET's folder gets what it needs to run.
function(dtchart_deploy_beside target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
      "-DPROGRAM=$<TARGET_FILE:${target}>" "-DDESTINATION=$<TARGET_FILE_DIR:${target}>"
      ${DTCHART_DEPLOY_SETTINGS} -P ${DTCHART_DEPLOY_SCRIPT}
    COMMENT "Putting the DLLs, plugins and translations beside ${target}"
    VERBATIM)
endfunction()

# GCC 12 warns of overlapping copies inside std::string's operator+ at -O3 (GCC bug 105651),
# a false report that MinGW's headers trigger in number formatting.
add_compile_options(-Wno-restrict)
