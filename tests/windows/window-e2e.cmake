# The installed program's real window under Wine on Xvfb, driven with xdotool as a person would
# by the Linux viewer's driver (tests/e2e/window_e2e.py), in the C and the Japanese locales.
# Each run installs the setup program silently into its own Wine prefix when it has been built
# (cmake --build . --target package), and otherwise runs the build's dtchart.exe, which has
# everything it needs beside it; its output says which. Screenshots stay in window_e2e_wine_*/.
set(setup ${CMAKE_BINARY_DIR}/dtchart-${PROJECT_VERSION}-win64.exe)
set(installed "C:\\Program Files\\dtchart\\dtchart.exe")

# Also at 125 %, 150 % and 175 % display scaling, where every chart cell must still be one
# block of device pixels of exactly its colour.
foreach(run IN ITEMS "c;C.UTF-8;1" "ja;ja_JP.UTF-8;1" "scale1.25;C.UTF-8;1.25" "scale1.5;C.UTF-8;1.5"
    "scale1.75;C.UTF-8;1.75")
  list(GET run 0 name)
  list(GET run 1 locale)
  list(GET run 2 scale)
  set(test window_e2e_wine_${name})
  # A plain command would run under the cross-compiling emulator; bash is named instead.
  add_test(NAME ${test}
    COMMAND bash -c [=[
      if [[ -f $1 ]]; then export DTCHART_E2E_WINE_SETUP=$1 && program=$2; else program=$3; fi
      exec /usr/bin/python3 -B "$4" "$program" "$5"]=]
      bash ${setup} ${installed} $<TARGET_FILE:dtchart>
      ${PROJECT_SOURCE_DIR}/tests/e2e/window_e2e.py ${CMAKE_CURRENT_BINARY_DIR}/${test})
  dtchart_test_environment(${test})
  # Each step waits up to 30 s for the screen; a run normally takes 15 to 20 s, the setup
  # program included.
  set_tests_properties(${test} PROPERTIES LABELS "e2e;wine" TIMEOUT 240
    ENVIRONMENT_MODIFICATION "DTCHART_E2E_WINE=set:1;DTCHART_E2E_LANG=set:${locale};DTCHART_E2E_SCALE=set:${scale}")
endforeach()
