# cmake -DMSIBUILD=<msibuild> -DMSI=<package> -DROWS=<file> -P AddMsiRows.cmake
# Runs each statement of ROWS (one a line; "--" lines are comments) on MSI.
file(STRINGS ${ROWS} statements REGEX "^[^-]")
foreach(statement IN LISTS statements)
    execute_process(COMMAND ${MSIBUILD} ${MSI} -q "${statement}" RESULT_VARIABLE failed)
    if(failed)
        file(REMOVE ${MSI})
        message(FATAL_ERROR "msibuild could not run: ${statement}")
    endif()
endforeach()
