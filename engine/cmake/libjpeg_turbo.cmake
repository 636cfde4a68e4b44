# libjpeg-turbo, the engine's JPEG decoder, built from Debian's source
# package (bookworm) as a static i686 library with its SIMD code. The
# package is fetched and checked by debian_source.cmake; the build proper
# runs as an external project with the same cross toolchain; nasm assembles
# the SIMD.
include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_JPEG_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's libjpeg-turbo source package (.dsc and tarballs); fetched into the build tree when empty")
set(_jpeg_root ${CMAKE_BINARY_DIR}/third_party/libjpeg-turbo)
set(_jpeg_install ${_jpeg_root}/install)
vela_debian_source(PACKAGE libjpeg-turbo CACHE "${VELA_JPEG_SOURCE_CACHE}" ROOT ${_jpeg_root}
    EXPECT jpeglib.h SOURCE_VAR _jpeg_source VERSION_VAR VELA_JPEG_VERSION)

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

