# Read by cpack on each run, after "cpack -R VERSION" has set the version:
# the packages are named for the version they hold.
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME}")

# cpack dates the files it packs, and strip stamps the programs it strips,
# with SOURCE_DATE_EPOCH when it is set; a builder's own value goes first.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT CPACK_OSTREL_SOURCE_DATE_EPOCH STREQUAL "")
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_OSTREL_SOURCE_DATE_EPOCH})
endif()
