# Read by cpack on each run, after "cpack -R VERSION" has set the version:
# the packages are named for the version they hold.
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME}")
