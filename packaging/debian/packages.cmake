# The Debian package, with its manual pages, changelog and copyright file.

install(TARGETS tavel-sort)
if(TARGET OstrelSort)
    install(TARGETS OstrelSort)
endif()

# Debian wants manual pages and changelogs compressed with gzip -9n, the -n
# so that a rebuild gives the same bytes.
find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)
set(manual_pages tavel-sort)
if(TARGET OstrelSort)
    list(APPEND manual_pages OstrelSort)
endif()
set(generated_documents)
foreach(page IN LISTS manual_pages)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd ${page}.1.scd @ONLY)
    add_custom_command(OUTPUT ${page}.1 ${page}.1.gz
        COMMAND ${CMAKE_COMMAND} -DSCDOC=${SCDOC} -DGZIP=${GZIP} -DSOURCE_DATE_EPOCH=${OSTREL_SOURCE_DATE_EPOCH}
                -DSOURCE=${CMAKE_CURRENT_BINARY_DIR}/${page}.1.scd -DPAGE=${CMAKE_CURRENT_BINARY_DIR}/${page}.1
                -P ${CMAKE_CURRENT_LIST_DIR}/manual_page.cmake
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${page}.1.scd ${CMAKE_CURRENT_LIST_DIR}/manual_page.cmake
        COMMENT "Manual page ${page}(1)")
    list(APPEND generated_documents ${CMAKE_CURRENT_BINARY_DIR}/${page}.1 ${CMAKE_CURRENT_BINARY_DIR}/${page}.1.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# The package's version comes from the changelog's latest entry, whose
# upstream part must be the program's.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog latest_entry LIMIT_COUNT 1)
if(NOT latest_entry MATCHES "^ostrelsort \\(([^-)]+)-([^)]+)\\)")
    message(FATAL_ERROR "packaging/debian/changelog: the first line names no version: ${latest_entry}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL OSTREL_DISPLAY_VERSION)
    message(FATAL_ERROR "packaging/debian/changelog: the latest entry is for ${CMAKE_MATCH_1}, the program is "
                        "${OSTREL_DISPLAY_VERSION}: add an entry for ${OSTREL_DISPLAY_VERSION}-1")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

add_custom_command(OUTPUT changelog.Debian.gz
    COMMAND ${GZIP} -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > changelog.Debian.gz
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
list(APPEND generated_documents ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_target(packaging_documents ALL DEPENDS ${generated_documents})

# The copyright file in Debian's machine-readable format, its licence text
# taken from LICENSE so that the two cannot drift apart.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.*)$")
    message(FATAL_ERROR "LICENSE is no longer the MIT licence this file expects")
endif()
set(copyright_holder ${CMAKE_MATCH_1})
string(STRIP "${CMAKE_MATCH_2}" license_text)
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " license_text " ${license_text}")
file(CONFIGURE OUTPUT copyright CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: OstrelSort
Upstream-Contact: @CPACK_PACKAGE_CONTACT@

Files: *
Copyright: @copyright_holder@
License: Expat

License: Expat
@license_text@
]] @ONLY)

set(doc_folder ${CMAKE_INSTALL_DATADIR}/doc/ostrelsort)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${doc_folder})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ostrelsort)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_NAME ostrelsort)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugins at run time, so no library link names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/folder_permissions.cmake)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "put a file of fixed-width route records into key order")
# CPack puts the summary first and marks the empty line as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
OstrelSort reads a route file from a fixed place, keys every record
from fixed columns and writes the records in key order to a second
file. A file in which two records share a key is refused, naming the
line, the record's name and its key; the earlier sorted file is then
left as it was.

The package holds the window OstrelSort, one button that sorts the
file and shows the outcome, and the command-line tool tavel-sort,
which sorts any route file, standard input and output included.]])
