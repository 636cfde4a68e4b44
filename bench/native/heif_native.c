/* Debian's libheif (native, the same 1.15 release the engine is built
 * from) decoding a HEIC or AVIF to 8-bit interleaved RGBA, decode only, no
 * file written: the median of 9 decodes in ms on stdout. Built and run by
 * bench/heif_compare.sh. */
#include <libheif/heif.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static int by_value(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
    enum { kRounds = 9 };
    double times[kRounds];
    if (argc != 2) return 2;
    heif_init(NULL);
    for (int i = 0; i < kRounds; ++i) {
        struct heif_context* ctx = heif_context_alloc();
        struct heif_image_handle* handle = NULL;
        struct heif_image* image = NULL;
        const double t0 = now_ms();
        if (heif_context_read_from_file(ctx, argv[1], NULL).code != heif_error_Ok ||
            heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok ||
            heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, NULL).code != heif_error_Ok)
            return 1;
        times[i] = now_ms() - t0;
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(ctx);
    }
    qsort(times, kRounds, sizeof times[0], by_value);
    printf("%.1f\n", times[kRounds / 2]);
    heif_deinit();
    return 0;
}
