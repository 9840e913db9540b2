# Run by cpack once it has staged the files, before it packs them: the
# programs are signed before they go into the zip or the MSI.
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)
file(GLOB programs ${CPACK_TEMPORARY_DIRECTORY}/*.exe)
ostrel_sign(${programs})
