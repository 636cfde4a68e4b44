# libwebp, the engine's WebP decoder (still and moving pictures), built from
# Debian's source package (bookworm) as static i686 libraries with its SIMD
# code (SSE2 and SSE4.1, chosen at run time by the library's CPU check) and
# its threads (Windows threads: a lossy picture is filtered beside its decode).
# The engine links the decoder and the demuxer; the tests also the encoder
# and the muxer (libwebp.a holds both codecs), to write their pictures. No
# tools are built.
include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_WEBP_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's libwebp source package (.dsc and tarballs); fetched into the build tree when empty")
set(_webp_root ${CMAKE_BINARY_DIR}/third_party/libwebp)
set(_webp_install ${_webp_root}/install)
vela_debian_source(PACKAGE libwebp CACHE "${VELA_WEBP_SOURCE_CACHE}" ROOT ${_webp_root}
    EXPECT src/webp/decode.h SOURCE_VAR VELA_WEBP_SOURCE VERSION_VAR VELA_WEBP_VERSION)

set(_webp_libraries ${_webp_install}/lib/libwebpdemux.a ${_webp_install}/lib/libwebp.a ${_webp_install}/lib/libwebpmux.a)
ExternalProject_Add(libwebp_build
    SOURCE_DIR ${VELA_WEBP_SOURCE}
    BINARY_DIR ${_webp_root}/build
    INSTALL_DIR ${_webp_install}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX=${_webp_install}
        -DBUILD_SHARED_LIBS=OFF
        -DWEBP_ENABLE_SIMD=ON
        -DWEBP_USE_THREAD=ON
        -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF
        -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF
        -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_LIBWEBPMUX=ON
        -DWEBP_BUILD_EXTRAS=OFF
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
    BUILD_BYPRODUCTS ${_webp_libraries}
    USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${_webp_install}/include)
add_library(libwebp_demux STATIC IMPORTED GLOBAL)
set_target_properties(libwebp_demux PROPERTIES
    IMPORTED_LOCATION ${_webp_install}/lib/libwebpdemux.a
    INTERFACE_INCLUDE_DIRECTORIES ${_webp_install}/include)
add_library(libwebp STATIC IMPORTED GLOBAL)
set_target_properties(libwebp PROPERTIES
    IMPORTED_LOCATION ${_webp_install}/lib/libwebp.a
    INTERFACE_INCLUDE_DIRECTORIES ${_webp_install}/include)
add_library(libwebp_mux STATIC IMPORTED GLOBAL)
set_target_properties(libwebp_mux PROPERTIES
    IMPORTED_LOCATION ${_webp_install}/lib/libwebpmux.a
    INTERFACE_INCLUDE_DIRECTORIES ${_webp_install}/include)
add_dependencies(libwebp_mux libwebp_build)
add_dependencies(libwebp_demux libwebp_build)
add_dependencies(libwebp libwebp_build)
