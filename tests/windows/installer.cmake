# The setup program and the zip, built by CPack from this tree and tried under Wine
# (installer-test.sh): label installer.
foreach(mode setup zip)
  add_test(NAME installer_${mode}
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer-test.sh ${mode}
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${PROJECT_VERSION}
            ${DTCHART_PUBLISHER} ${DTCHART_QT_W64}/plugins/platforms/qoffscreen.dll
            ${CMAKE_CURRENT_BINARY_DIR}/installer-${mode})
  dtchart_test_environment(installer_${mode})
  set_tests_properties(installer_${mode} PROPERTIES LABELS installer TIMEOUT 300)
endforeach()
