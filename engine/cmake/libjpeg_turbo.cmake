# libjpeg-turbo, the engine's JPEG decoder, built from Debian's source
# package (bookworm) as a static i686 library with its SIMD code.
#
# At configure time the package is fetched with `apt-get source
# --download-only` (apt checks every file against the archive's signed
# indexes) into the build tree, unless VELA_JPEG_SOURCE_CACHE names a folder
# that holds it already; its .dsc must name the libjpeg-turbo source package,
# and dpkg-source unpacks it (checking the tarballs against the .dsc's
# checksums) with Debian's patches applied. The build proper runs as an
# external project with the same cross toolchain; nasm assembles the SIMD.
include(ExternalProject)

set(VELA_JPEG_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's libjpeg-turbo source package (.dsc and tarballs); fetched into the build tree when empty")
set(_jpeg_root ${CMAKE_BINARY_DIR}/third_party/libjpeg-turbo)
set(_jpeg_source ${_jpeg_root}/source)
set(_jpeg_install ${_jpeg_root}/install)

if(VELA_JPEG_SOURCE_CACHE)
    set(_jpeg_download ${VELA_JPEG_SOURCE_CACHE})
else()
    set(_jpeg_download ${_jpeg_root}/download)
endif()

file(GLOB _jpeg_dsc ${_jpeg_download}/libjpeg-turbo_*.dsc)
if(NOT _jpeg_dsc)
    find_program(_apt_get apt-get REQUIRED)
    file(MAKE_DIRECTORY ${_jpeg_download})
    message(STATUS "Fetching Debian's libjpeg-turbo source package into ${_jpeg_download}")
    execute_process(COMMAND ${_apt_get} source --download-only libjpeg-turbo
        WORKING_DIRECTORY ${_jpeg_download} RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
    file(GLOB _jpeg_dsc ${_jpeg_download}/libjpeg-turbo_*.dsc)
    if(NOT _rc EQUAL 0 OR NOT _jpeg_dsc)
        message(FATAL_ERROR "apt-get source libjpeg-turbo failed (is there a deb-src entry? run scripts/setup.sh): ${_err}")
    endif()
endif()
list(GET _jpeg_dsc -1 _jpeg_dsc)
file(STRINGS ${_jpeg_dsc} _jpeg_source_line REGEX "^Source: ")
file(STRINGS ${_jpeg_dsc} _jpeg_version_line REGEX "^Version: ")
if(NOT _jpeg_source_line STREQUAL "Source: libjpeg-turbo")
    message(FATAL_ERROR "${_jpeg_dsc} is not Debian's libjpeg-turbo source package")
endif()
string(REPLACE "Version: " "" VELA_JPEG_VERSION "${_jpeg_version_line}")

# Unpacked again whenever the package (its version) changes.
set(_jpeg_stamp ${_jpeg_source}/.vela-unpacked)
set(_jpeg_unpacked "")
if(EXISTS ${_jpeg_stamp})
    file(READ ${_jpeg_stamp} _jpeg_unpacked)
endif()
if(NOT _jpeg_unpacked STREQUAL VELA_JPEG_VERSION)
    find_program(_dpkg_source dpkg-source REQUIRED)
    # dpkg-source runs in the root, which a cached package leaves unmade.
    file(MAKE_DIRECTORY ${_jpeg_root})
    file(REMOVE_RECURSE ${_jpeg_source})
    execute_process(COMMAND ${_dpkg_source} -x ${_jpeg_dsc} ${_jpeg_source}
        WORKING_DIRECTORY ${_jpeg_root} RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0 OR NOT EXISTS ${_jpeg_source}/jpeglib.h)
        message(FATAL_ERROR "dpkg-source could not unpack ${_jpeg_dsc}: ${_err}")
    endif()
    file(WRITE ${_jpeg_stamp} "${VELA_JPEG_VERSION}")
endif()
message(STATUS "libjpeg-turbo ${VELA_JPEG_VERSION} from Debian's source package")

find_program(_nasm nasm REQUIRED)
set(_jpeg_library ${_jpeg_install}/lib/libjpeg.a)
ExternalProject_Add(libjpeg_turbo_build
    SOURCE_DIR ${_jpeg_source}
    BINARY_DIR ${_jpeg_root}/build
    INSTALL_DIR ${_jpeg_install}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX=${_jpeg_install}
        -DCMAKE_ASM_NASM_COMPILER=${_nasm}
        -DENABLE_SHARED=OFF
        -DENABLE_STATIC=ON
        -DREQUIRE_SIMD=ON
        -DWITH_TURBOJPEG=OFF
        -DWITH_JAVA=OFF
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
    BUILD_BYPRODUCTS ${_jpeg_library}
    USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${_jpeg_install}/include)
add_library(libjpeg_turbo STATIC IMPORTED GLOBAL)
set_target_properties(libjpeg_turbo PROPERTIES
    IMPORTED_LOCATION ${_jpeg_library}
    INTERFACE_INCLUDE_DIRECTORIES ${_jpeg_install}/include)
add_dependencies(libjpeg_turbo libjpeg_turbo_build)

