# Read by cpack once per package generator (CPACK_PROJECT_CONFIG_FILE): the installer gets a
# name of its own beside the ZIP of the same version.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
