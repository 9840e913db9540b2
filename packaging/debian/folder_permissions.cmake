# Run by cpack on the staged files: Debian wants every folder 0755, yet
# CMake creates them under the umask of whoever runs cpack.
file(GLOB_RECURSE folders LIST_DIRECTORIES true ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(folder IN LISTS folders)
    if(IS_DIRECTORY ${folder} AND NOT IS_SYMLINK ${folder})
        file(CHMOD ${folder} DIRECTORY_PERMISSIONS
             OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
