# zlib, which inflates the colour profiles PNG files store compressed (their
# iCCP chunk), built from Debian's source package (bookworm) as a static
# i686 library. Its sources are plain C and ship their zconf.h, so the few
# the engine needs (inflate and deflate with their checksums; no gz file
# functions) are compiled here with the engine's toolchain, as lcms2.cmake
# does.
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_ZLIB_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's zlib source package (.dsc and tarballs); fetched into the build tree when empty")
vela_debian_source(PACKAGE zlib CACHE "${VELA_ZLIB_SOURCE_CACHE}" ROOT ${CMAKE_BINARY_DIR}/third_party/zlib
    EXPECT zlib.h SOURCE_VAR VELA_ZLIB_SOURCE VERSION_VAR VELA_ZLIB_VERSION)

set(_zlib_sources)
foreach(_name adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil)
    list(APPEND _zlib_sources ${VELA_ZLIB_SOURCE}/${_name}.c)
endforeach()
add_library(zlib STATIC ${_zlib_sources})
target_include_directories(zlib PUBLIC ${VELA_ZLIB_SOURCE})
target_compile_options(zlib PRIVATE -O2 -w)
