# OSTREL_SOURCE_DATE_EPOCH: the time every time stamp in the packages shows,
# so that two builds of one commit give the same bytes. SOURCE_DATE_EPOCH
# when the builder sets it, as the reproducible-builds convention has it;
# otherwise the commit's time; empty outside a git checkout.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(OSTREL_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    find_package(Git QUIET)
    set(OSTREL_SOURCE_DATE_EPOCH "")
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE OSTREL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                        ERROR_QUIET)
    endif()
endif()
if(NOT OSTREL_SOURCE_DATE_EPOCH MATCHES "^[0-9]*$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${OSTREL_SOURCE_DATE_EPOCH}")
endif()
if(OSTREL_SOURCE_DATE_EPOCH STREQUAL "")
    message(STATUS "Not a git checkout and no SOURCE_DATE_EPOCH: the packages show the time they are made")
endif()
