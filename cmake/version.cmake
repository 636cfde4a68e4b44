# One version for the project, shown in a VERSIONINFO resource of each
# shipped binary.
function(vela_version_resource target file description type)
    set(VELA_RC_FILE ${file})
    set(VELA_RC_NAME ${target})
    set(VELA_RC_DESCRIPTION ${description})
    set(VELA_RC_TYPE ${type})
    set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
