# The Windows packages: a portable zip, and an MSI that wixl makes.

# One flat folder, as Windows users expect of a program: the programs
# beside their README and licence.
install(TARGETS tavel-sort RUNTIME DESTINATION .)
if(TARGET OstrelSort)
    install(TARGETS OstrelSort RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sign_programs.cmake ${CMAKE_CURRENT_LIST_DIR}/file_times.cmake)
set(CPACK_OSTREL_SIGN_WINDOWS ${PROJECT_SOURCE_DIR}/scripts/sign-windows)
find_program(WIXL wixl)
if(WIXL)
    list(APPEND CPACK_GENERATOR External)
    set(CPACK_EXTERNAL_ENABLE_STAGING ON)
    set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/msi.cmake)
    set(CPACK_OSTREL_WIXL ${WIXL})
    set(CPACK_OSTREL_WXS_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/product.wxs.in)
    # Never change it: Windows Installer finds the earlier versions to
    # replace by this code.
    set(CPACK_OSTREL_UPGRADE_CODE B7010257-F711-424E-B0C9-C2F194B45C10)
else()
    message(STATUS "wixl not found: cpack makes the zip only, no MSI")
endif()
