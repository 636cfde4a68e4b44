# libde265, the HEVC decoder libheif reads HEIC with, built from Debian's
# source package (bookworm) as its own DLL (LGPL: a user may put another
# build in its place), with its SSE code (chosen at run time by the
# library's CPU check) and the C and C++ runtimes linked in, so that it runs
# on a clean Windows. No example programs.
include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_DE265_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's libde265 source package (.dsc and tarballs); fetched into the build tree when empty")
set(_de265_root ${CMAKE_BINARY_DIR}/third_party/libde265)
set(_de265_install ${_de265_root}/install)
vela_debian_source(PACKAGE libde265 CACHE "${VELA_DE265_SOURCE_CACHE}" ROOT ${_de265_root}
    EXPECT libde265/de265.h SOURCE_VAR VELA_DE265_SOURCE VERSION_VAR VELA_DE265_VERSION)

set(VELA_DE265_DLL ${_de265_install}/bin/libde265.dll)
set(_de265_import ${_de265_install}/lib/libde265.dll.a)
ExternalProject_Add(libde265_build
    SOURCE_DIR ${VELA_DE265_SOURCE}
    BINARY_DIR ${_de265_root}/build
    INSTALL_DIR ${_de265_install}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        # Unused by the package; a new version among the arguments builds it anew.
        -DVELA_PACKAGE_VERSION=${VELA_DE265_VERSION}
        -DCMAKE_INSTALL_PREFIX=${_de265_install}
        -DBUILD_SHARED_LIBS=ON
        -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
        "-DCMAKE_C_FLAGS=-msse2 -mfpmath=sse" "-DCMAKE_CXX_FLAGS=-msse2 -mfpmath=sse"
        # The runtimes linked in stay inside: their symbols are not exported.
        "-DCMAKE_SHARED_LINKER_FLAGS=-static -static-libgcc -static-libstdc++ -s -Wl,--exclude-libs,libgcc.a:libgcc_eh.a:libstdc++.a:libpthread.a:libwinpthread.a:libdav1d.a"
    BUILD_BYPRODUCTS ${VELA_DE265_DLL} ${_de265_import}
    USES_TERMINAL_BUILD OFF)
