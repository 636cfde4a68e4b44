# Fetches and unpacks one of Debian's source packages (bookworm) at configure
# time, the way libjpeg_turbo.cmake does for the JPEG library:
# `apt-get source --download-only` (apt checks every file against the
# archive's signed indexes) into the build tree, unless the cache folder
# named by the caller holds it already; the .dsc must name the package, and
# dpkg-source unpacks it (checking the tarballs against the .dsc's
# checksums) with Debian's patches applied. Unpacked again whenever the
# package's version changes.
#
#   vela_debian_source(PACKAGE <name> CACHE <folder or empty> ROOT <folder>
#                      EXPECT <file the unpacked tree must hold>
#                      SOURCE_VAR <out: unpacked folder> VERSION_VAR <out: version>)
function(vela_debian_source)
    cmake_parse_arguments(ARG "" "PACKAGE;CACHE;ROOT;EXPECT;SOURCE_VAR;VERSION_VAR" "" ${ARGN})
    set(_source ${ARG_ROOT}/source)
    # dpkg-source runs in the root, which a cached package leaves unmade.
    file(MAKE_DIRECTORY ${ARG_ROOT})
    if(ARG_CACHE)
        set(_download ${ARG_CACHE})
    else()
        set(_download ${ARG_ROOT}/download)
    endif()
    file(GLOB _dsc ${_download}/${ARG_PACKAGE}_*.dsc)
    if(NOT _dsc)
        find_program(_apt_get apt-get REQUIRED)
        file(MAKE_DIRECTORY ${_download})
        message(STATUS "Fetching Debian's ${ARG_PACKAGE} source package into ${_download}")
        execute_process(COMMAND ${_apt_get} source --download-only ${ARG_PACKAGE}
            WORKING_DIRECTORY ${_download} RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
        file(GLOB _dsc ${_download}/${ARG_PACKAGE}_*.dsc)
        if(NOT _rc EQUAL 0 OR NOT _dsc)
            message(FATAL_ERROR "apt-get source ${ARG_PACKAGE} failed (is there a deb-src entry? run scripts/setup.sh): ${_err}")
        endif()
    endif()
    list(GET _dsc -1 _dsc)
    file(STRINGS ${_dsc} _source_line REGEX "^Source: ")
    file(STRINGS ${_dsc} _version_line REGEX "^Version: ")
    if(NOT _source_line STREQUAL "Source: ${ARG_PACKAGE}")
        message(FATAL_ERROR "${_dsc} is not Debian's ${ARG_PACKAGE} source package")
    endif()
    string(REPLACE "Version: " "" _version "${_version_line}")

    set(_stamp ${_source}/.vela-unpacked)
    set(_unpacked "")
    if(EXISTS ${_stamp})
        file(READ ${_stamp} _unpacked)
    endif()
    if(NOT _unpacked STREQUAL _version)
        find_program(_dpkg_source dpkg-source REQUIRED)
        file(REMOVE_RECURSE ${_source})
        execute_process(COMMAND ${_dpkg_source} -x ${_dsc} ${_source}
            WORKING_DIRECTORY ${ARG_ROOT} RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
        if(NOT _rc EQUAL 0 OR NOT EXISTS ${_source}/${ARG_EXPECT})
            message(FATAL_ERROR "dpkg-source could not unpack ${_dsc}: ${_err}")
        endif()
        file(WRITE ${_stamp} "${_version}")
    endif()
    message(STATUS "${ARG_PACKAGE} ${_version} from Debian's source package")
    set(${ARG_SOURCE_VAR} ${_source} PARENT_SCOPE)
    set(${ARG_VERSION_VAR} ${_version} PARENT_SCOPE)
endfunction()
