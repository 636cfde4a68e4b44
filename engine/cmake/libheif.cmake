# libheif, the engine's HEIF reader (HEIC through libde265, AVIF through
# dav1d), built from Debian's source package (bookworm) as its own DLL
# (LGPL: a user may put another build in its place) with dav1d linked in and
# the C and C++ runtimes too, so that it runs on a clean Windows. Decoders
# only: no encoders, no examples, no gdk-pixbuf loader, and no plugin
# loading (it would load code named by an environment variable or found in
# a folder). The engine does not link it: it binds its functions at run time
# from the program's folder (decoders/heif_library.cpp), so only its
# headers are used at build time.
include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/libde265.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/dav1d.cmake)

set(VELA_HEIF_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's libheif source package (.dsc and tarballs); fetched into the build tree when empty")
set(_heif_root ${CMAKE_BINARY_DIR}/third_party/libheif)
set(_heif_install ${_heif_root}/install)
vela_debian_source(PACKAGE libheif CACHE "${VELA_HEIF_SOURCE_CACHE}" ROOT ${_heif_root}
    EXPECT libheif/heif.h SOURCE_VAR VELA_HEIF_SOURCE VERSION_VAR VELA_HEIF_VERSION)

set(VELA_HEIF_DLL ${_heif_install}/bin/libheif.dll)
ExternalProject_Add(libheif_build
    SOURCE_DIR ${VELA_HEIF_SOURCE}
    BINARY_DIR ${_heif_root}/build
    INSTALL_DIR ${_heif_install}
    DEPENDS libde265_build dav1d_build
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_BUILD_TYPE=Release
        # Unused by the package; a new version among the arguments builds it anew.
        -DVELA_PACKAGE_VERSION=${VELA_HEIF_VERSION}
        -DCMAKE_INSTALL_PREFIX=${_heif_install}
        -DBUILD_SHARED_LIBS=ON
        -DENABLE_PLUGIN_LOADING=OFF
        -DWITH_EXAMPLES=OFF
        -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF
        -DWITH_DAV1D=ON -DWITH_DAV1D_PLUGIN=OFF
        -DWITH_X265=OFF -DWITH_AOM_ENCODER=OFF -DWITH_AOM_DECODER=OFF -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF
        -DWITH_DEFLATE_HEADER_COMPRESSION=OFF
        # No pkg-config (one that answers nothing): the libraries are named here,
        # and no gdk-pixbuf loader is looked for.
        -DPKG_CONFIG_EXECUTABLE=/bin/false
        -DLIBDE265_INCLUDE_DIR=${_de265_install}/include
        -DLIBDE265_LIBRARY=${_de265_import}
        -DDAV1D_INCLUDE_DIR=${_dav1d_install}/include
        -DDAV1D_LIBRARY=${_dav1d_library}
        "-DCMAKE_C_FLAGS=-msse2 -mfpmath=sse" "-DCMAKE_CXX_FLAGS=-msse2 -mfpmath=sse"
        # The runtimes linked in stay inside: their symbols are not exported.
        "-DCMAKE_SHARED_LINKER_FLAGS=-static -static-libgcc -static-libstdc++ -s -Wl,--exclude-libs,libgcc.a:libgcc_eh.a:libstdc++.a:libpthread.a:libwinpthread.a:libdav1d.a"
    BUILD_BYPRODUCTS ${VELA_HEIF_DLL}
    USES_TERMINAL_BUILD OFF)

# Headers only: the engine binds the DLL's functions itself.
file(MAKE_DIRECTORY ${_heif_install}/include)
add_library(libheif_headers INTERFACE)
target_include_directories(libheif_headers INTERFACE ${_heif_install}/include)
add_dependencies(libheif_headers libheif_build)
