# Renders a manual page from scdoc source and compresses a copy for
# installing: cmake -DSCDOC=... -DGZIP=... -DSOURCE=x.1.scd -DPAGE=x.1
# [-DSOURCE_DATE_EPOCH=SECONDS] -P manual_page.cmake
# scdoc dates the page at SOURCE_DATE_EPOCH when it is set, otherwise today.
if(SOURCE_DATE_EPOCH)
    set(ENV{SOURCE_DATE_EPOCH} ${SOURCE_DATE_EPOCH})
endif()
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${PAGE} RESULT_VARIABLE failed)
if(failed)
    file(REMOVE ${PAGE})
    message(FATAL_ERROR "scdoc could not render ${SOURCE}")
endif()
execute_process(COMMAND ${GZIP} -9n -c ${PAGE} OUTPUT_FILE ${PAGE}.gz RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip could not compress ${PAGE}")
endif()
