# Run by CPack on the staged installation before it makes the package: Debian keeps manual pages
# compressed at the highest level and without a time stamp. A plain `cmake --install` leaves them
# as they are.
file(GLOB_RECURSE lis_manual_pages
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man[1-9]/*.[1-9]")
foreach(page IN LISTS lis_manual_pages)
    execute_process(COMMAND gzip -9 -n -f "${page}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "Could not compress ${page}: ${status}")
    endif()
endforeach()
