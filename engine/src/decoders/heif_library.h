#pragma once
// libheif's functions, bound at run time from libheif.dll and libde265.dll
// in the engine's own folder and nowhere else: both are loaded by full path
// (libde265.dll first, so that libheif.dll's link to it finds the one
// already loaded), never through the library search order, so no copy in
// the current folder, a picture's folder or the PATH is ever taken. Bound
// once per process; without either file (or with one that lacks a
// function) HEIC and AVIF are simply undecodable.
#include <libheif/heif.h>

namespace uiengine {

// One pointer per libheif function the engine calls, typed as the header
// declares it.
#define VELA_HEIF_FUNCTIONS(X)                   \
    X(heif_init)                                 \
    X(heif_context_alloc)                        \
    X(heif_context_free)                         \
    X(heif_context_read_from_memory_without_copy) \
    X(heif_context_set_maximum_image_size_limit) \
    X(heif_context_get_primary_image_handle)     \
    X(heif_image_handle_release)                 \
    X(heif_image_handle_get_width)               \
    X(heif_image_handle_get_height)              \
    X(heif_image_handle_has_alpha_channel)       \
    X(heif_image_handle_get_luma_bits_per_pixel) \
    X(heif_image_handle_get_color_profile_type)  \
    X(heif_image_handle_get_raw_color_profile_size) \
    X(heif_image_handle_get_raw_color_profile)   \
    X(heif_image_handle_get_nclx_color_profile)  \
    X(heif_image_get_nclx_color_profile)         \
    X(heif_nclx_color_profile_free)              \
    X(heif_decoding_options_alloc)               \
    X(heif_decoding_options_free)                \
    X(heif_decode_image)                         \
    X(heif_image_release)                        \
    X(heif_image_get_width)                      \
    X(heif_image_get_height)                     \
    X(heif_image_get_bits_per_pixel_range)       \
    X(heif_image_get_plane_readonly)

struct HeifApi {
#define VELA_HEIF_POINTER(name) decltype(&::name) name = nullptr;
    VELA_HEIF_FUNCTIONS(VELA_HEIF_POINTER)
#undef VELA_HEIF_POINTER
};

// The bound functions, or null when the DLLs are missing or unsound. The
// first call loads and binds (callable from any thread); the answer is kept
// for the life of the process, and the DLLs stay loaded as long.
const HeifApi* Heif();

}  // namespace uiengine
