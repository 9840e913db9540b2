# Run by cpack once it has staged (and signed) the files: dates each at
# SOURCE_DATE_EPOCH, since wixl puts the files' own times into the MSI's
# cabinet, and Windows Installer gives them to the installed files.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    file(GLOB_RECURSE staged ${CPACK_TEMPORARY_DIRECTORY}/*)
    execute_process(COMMAND touch --no-dereference --date=@$ENV{SOURCE_DATE_EPOCH} ${staged} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Could not date the staged files")
    endif()
endif()
