# Included by the scripts cpack runs: ostrel_sign(FILE...) signs the files in
# place with scripts/sign-windows when OSTREL_SIGNING_CERTIFICATE names a
# certificate; without one the packages hold unsigned programs.
function(ostrel_sign)
    if("$ENV{OSTREL_SIGNING_CERTIFICATE}" STREQUAL "")
        return()
    endif()
    execute_process(COMMAND ${CPACK_OSTREL_SIGN_WINDOWS} ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Could not sign ${ARGN}")
    endif()
endfunction()
