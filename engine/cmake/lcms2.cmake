# Little CMS 2, the engine's colour management (embedded ICC profiles to the
# screen's colours), built from Debian's source package (bookworm) as a
# static i686 library. Its sources are plain C with no configuration step,
# so they are compiled here with the engine's toolchain.
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_LCMS2_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's lcms2 source package (.dsc and tarballs); fetched into the build tree when empty")
vela_debian_source(PACKAGE lcms2 CACHE "${VELA_LCMS2_SOURCE_CACHE}" ROOT ${CMAKE_BINARY_DIR}/third_party/lcms2
    EXPECT include/lcms2.h SOURCE_VAR VELA_LCMS2_SOURCE VERSION_VAR VELA_LCMS2_VERSION)

file(GLOB _lcms2_sources ${VELA_LCMS2_SOURCE}/src/*.c)
add_library(lcms2 STATIC ${_lcms2_sources})
target_include_directories(lcms2 PUBLIC ${VELA_LCMS2_SOURCE}/include)
target_compile_options(lcms2 PRIVATE -O2 -w)
# A static library: no dllimport decorations in its header.
target_compile_definitions(lcms2 PUBLIC CMS_NO_REGISTER_KEYWORD=1)
