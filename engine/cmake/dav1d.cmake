# dav1d, the AV1 decoder libheif reads AVIF with, built from Debian's source
# package (bookworm) as a static i686 library with its assembly (nasm; the
# SSE/AVX routines are chosen at run time by the library's CPU check), 8-
# and 16-bit pixel paths, no tools or tests. Its build is Meson's: a cross
# file for i686-w64-mingw32 is written into the build tree.
include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_DAV1D_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's dav1d source package (.dsc and tarballs); fetched into the build tree when empty")
set(_dav1d_root ${CMAKE_BINARY_DIR}/third_party/dav1d)
set(_dav1d_install ${_dav1d_root}/install)
vela_debian_source(PACKAGE dav1d CACHE "${VELA_DAV1D_SOURCE_CACHE}" ROOT ${_dav1d_root}
    EXPECT meson.build SOURCE_VAR VELA_DAV1D_SOURCE VERSION_VAR VELA_DAV1D_VERSION)

find_program(_meson meson REQUIRED)
find_program(_ninja ninja REQUIRED)
find_program(_nasm nasm REQUIRED)
get_filename_component(_dav1d_cc ${CMAKE_C_COMPILER} NAME)
set(_dav1d_cross ${_dav1d_root}/i686-w64-mingw32.ini)
file(WRITE ${_dav1d_cross} "[binaries]
c = '${CMAKE_C_COMPILER}'
ar = 'i686-w64-mingw32-ar'
strip = 'i686-w64-mingw32-strip'
windres = '${CMAKE_RC_COMPILER}'
nasm = '${_nasm}'

[built-in options]
c_args = ['-msse2', '-mfpmath=sse']

[host_machine]
system = 'windows'
cpu_family = 'x86'
cpu = 'i686'
endian = 'little'
")

set(_dav1d_library ${_dav1d_install}/lib/libdav1d.a)
ExternalProject_Add(dav1d_build
    SOURCE_DIR ${VELA_DAV1D_SOURCE}
    BINARY_DIR ${_dav1d_root}/build
    INSTALL_DIR ${_dav1d_install}
    CONFIGURE_COMMAND ${_meson} setup --cross-file ${_dav1d_cross}
        --buildtype=release --default-library=static --prefix=${_dav1d_install} --libdir=lib
        -Denable_asm=true -Denable_tools=false -Denable_tests=false -Denable_examples=false
        -Dbitdepths=8,16 -Dlogging=false
        <BINARY_DIR> <SOURCE_DIR>
    BUILD_COMMAND ${_ninja} -C <BINARY_DIR> -j2
    INSTALL_COMMAND ${_ninja} -C <BINARY_DIR> install
    BUILD_BYPRODUCTS ${_dav1d_library}
    USES_TERMINAL_BUILD OFF)
