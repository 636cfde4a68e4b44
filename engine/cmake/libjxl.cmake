# The JPEG XL decoder: libjxl (0.7) with what it needs, Google's highway
# (SIMD, chosen at run time) and brotli's decoder (compressed metadata
# boxes), built from Debian's source packages (bookworm) as static i686
# libraries. Only the decoder's sources are compiled here with the engine's
# toolchain, as lcms2.cmake does: libjxl's own build configures the encoder,
# its tools and a colour library, none of which the engine uses (the engine
# converts colours with its own Little CMS). Its thread runner is built too,
# so a large picture's groups are decoded on every core.
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)

set(VELA_BROTLI_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's brotli source package (.dsc and tarballs); fetched into the build tree when empty")
set(VELA_HIGHWAY_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's highway source package (.dsc and tarballs); fetched into the build tree when empty")
set(VELA_JXL_SOURCE_CACHE "" CACHE PATH "Folder holding Debian's jpeg-xl source package (.dsc and tarballs); fetched into the build tree when empty")
vela_debian_source(PACKAGE brotli CACHE "${VELA_BROTLI_SOURCE_CACHE}" ROOT ${CMAKE_BINARY_DIR}/third_party/brotli
    EXPECT c/include/brotli/decode.h SOURCE_VAR VELA_BROTLI_SOURCE VERSION_VAR VELA_BROTLI_VERSION)
vela_debian_source(PACKAGE highway CACHE "${VELA_HIGHWAY_SOURCE_CACHE}" ROOT ${CMAKE_BINARY_DIR}/third_party/highway
    EXPECT hwy/highway.h SOURCE_VAR VELA_HIGHWAY_SOURCE VERSION_VAR VELA_HIGHWAY_VERSION)
vela_debian_source(PACKAGE jpeg-xl CACHE "${VELA_JXL_SOURCE_CACHE}" ROOT ${CMAKE_BINARY_DIR}/third_party/jpeg-xl
    EXPECT lib/include/jxl/decode.h SOURCE_VAR VELA_JXL_SOURCE VERSION_VAR VELA_JXL_VERSION)

# Third-party code: optimised whatever the build type, its warnings not
# ours. Windows gives a thread's first function a stack aligned to 4 bytes
# only; the SIMD code keeps 16-byte vectors there, so every function
# realigns its own frame.
set(_jxl_flags -O2 -w -msse2 -mfpmath=sse -mstackrealign)

# brotli: the decoder and what it shares with the encoder.
file(GLOB _brotli_sources ${VELA_BROTLI_SOURCE}/c/common/*.c ${VELA_BROTLI_SOURCE}/c/dec/*.c)
add_library(brotlidec STATIC ${_brotli_sources})
target_include_directories(brotlidec PUBLIC ${VELA_BROTLI_SOURCE}/c/include)
target_compile_options(brotlidec PRIVATE ${_jxl_flags})

# highway: the run-time choice of target and its aligned allocator. On
# 32-bit x86 it offers SSSE3 and SSE4 beside the scalar code (its AVX
# targets need 64-bit).
add_library(hwy STATIC ${VELA_HIGHWAY_SOURCE}/hwy/targets.cc ${VELA_HIGHWAY_SOURCE}/hwy/aligned_allocator.cc)
target_include_directories(hwy PUBLIC ${VELA_HIGHWAY_SOURCE})
target_compile_definitions(hwy PUBLIC HWY_STATIC_DEFINE)
target_compile_options(hwy PRIVATE ${_jxl_flags})

# libjxl: the decoder's sources as its own list names them, and the thread
# runner; the headers its build would generate are written here.
file(READ ${VELA_JXL_SOURCE}/lib/jxl.cmake _jxl_lists)
string(REGEX MATCH "set\\(JPEGXL_INTERNAL_SOURCES_DEC[^)]*\\)" _jxl_dec_list "${_jxl_lists}")
string(REGEX MATCHALL "jxl/[A-Za-z0-9_/.-]+\\.cc" _jxl_dec_files "${_jxl_dec_list}")
list(LENGTH _jxl_dec_files _jxl_dec_count)
if(_jxl_dec_count LESS 50)
    message(FATAL_ERROR "libjxl's decoder source list was not found in ${VELA_JXL_SOURCE}/lib/jxl.cmake")
endif()
list(TRANSFORM _jxl_dec_files PREPEND ${VELA_JXL_SOURCE}/lib/)
set(_jxl_generated ${CMAKE_BINARY_DIR}/third_party/jpeg-xl/include)
file(MAKE_DIRECTORY ${_jxl_generated}/jxl)
file(STRINGS ${VELA_JXL_SOURCE}/lib/CMakeLists.txt _jxl_version_lines REGEX "^set\\(JPEGXL_(MAJOR|MINOR|PATCH)_VERSION [0-9]+\\)")
foreach(_line IN LISTS _jxl_version_lines)
    string(REGEX MATCH "JPEGXL_[A-Z]+_VERSION" _name "${_line}")
    string(REGEX MATCH "[0-9]+\\)" _value "${_line}")
    string(REPLACE ")" "" ${_name} "${_value}")
endforeach()
configure_file(${VELA_JXL_SOURCE}/lib/jxl/version.h.in ${_jxl_generated}/jxl/version.h @ONLY)
# Linked statically into the engine: nothing is exported or imported.
foreach(_part jxl jxl_threads)
    string(TOUPPER ${_part} _macro)
    file(CONFIGURE OUTPUT ${_jxl_generated}/jxl/${_part}_export.h CONTENT
"#pragma once
#define ${_macro}_EXPORT
#define ${_macro}_NO_EXPORT
#define ${_macro}_DEPRECATED __attribute__((__deprecated__))
#define ${_macro}_DEPRECATED_EXPORT ${_macro}_DEPRECATED
#define ${_macro}_DEPRECATED_NO_EXPORT ${_macro}_DEPRECATED
")
endforeach()
add_library(jxl_dec STATIC ${_jxl_dec_files}
    ${VELA_JXL_SOURCE}/lib/threads/thread_parallel_runner.cc
    ${VELA_JXL_SOURCE}/lib/threads/thread_parallel_runner_internal.cc)
target_include_directories(jxl_dec PUBLIC ${VELA_JXL_SOURCE}/lib/include ${_jxl_generated})
target_include_directories(jxl_dec PRIVATE ${VELA_JXL_SOURCE})
target_compile_definitions(jxl_dec PRIVATE JXL_INTERNAL_LIBRARY_BUILD
    JPEGXL_MAJOR_VERSION=${JPEGXL_MAJOR_VERSION} JPEGXL_MINOR_VERSION=${JPEGXL_MINOR_VERSION}
    JPEGXL_PATCH_VERSION=${JPEGXL_PATCH_VERSION})
target_compile_options(jxl_dec PRIVATE ${_jxl_flags} -fmerge-all-constants)
target_link_libraries(jxl_dec PUBLIC hwy brotlidec)
message(STATUS "libjxl: ${_jxl_dec_count} decoder sources")
