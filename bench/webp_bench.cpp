// WebP decode speed: a 4000 x 3000 lossy photo-like WebP decoded by the
// engine (libwebp built from Debian's source, i686, under Wine) against
// Debian's own dwebp on the same file, as bench/webp_compare.sh runs them
// side by side. Alone it prints the engine's figures only.
//   webp_bench.exe --make PATH         writes the picture
//   webp_bench.exe [PATH [DWEBP_MS]]   times the engine's decode of it
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine_harness.h"
#include "test_support.h"
#include "webp_pictures.h"

using namespace vela::test;
using vela::bench::Median;
using vela::bench::NowMs;

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kRounds = 9;

// Gradients, rings and fine noise: compresses like a photo (a few hundred
// kilobytes at quality 80), not like a flat colour.
Pixels PhotoLike() {
    Pixels p{kWidth, kHeight, std::vector<uint32_t>(static_cast<size_t>(kWidth) * kHeight)};
    unsigned seed = 20261208;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) % 25) - 12;
            const double ring = std::sin(std::hypot(x - 2600.0, y - 1200.0) / 40.0);
            auto clamp = [](int v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            const uint32_t r = clamp(x * 200 / kWidth + 30 + noise);
            const uint32_t g = clamp(y * 180 / kHeight + 40 + static_cast<int>(ring * 30) + noise);
            const uint32_t b = clamp(160 - x * 100 / kWidth + static_cast<int>(ring * 50) + noise);
            p.argb[static_cast<size_t>(y) * kWidth + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--make") {
        const vela::Bytes webp = EncodeWebp(PhotoLike(), false, 80.0f);
        return !webp.empty() && WriteBytes(argv[2], webp) ? 0 : 1;
    }
    std::string path = argc >= 2 ? argv[1] : std::string();
    if (path.empty()) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + "vela_webp_bench_4000x3000.webp";
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && !WriteBytes(path, EncodeWebp(PhotoLike(), false, 80.0f)))
            return 1;
    }
    const vela::Bytes bytes = ReadBytes(path);
    if (bytes.empty() || !Engine().DecodePicturePixels) {
        std::printf("webp_bench: no picture or no engine export\n");
        return 1;
    }
    std::vector<double> times;
    int w = 0, h = 0;
    for (int i = 0; i < kRounds; ++i) {
        ExuiPixels px{};
        const double t0 = NowMs();
        ExuiPixelsHandle pixels = Engine().DecodePicturePixels(bytes.data(), static_cast<int32_t>(bytes.size()), &px);
        times.push_back(NowMs() - t0);
        if (!pixels) return 1;
        w = px.width;
        h = px.height;
        Engine().FreePicturePixels(pixels);
    }
    const double engine = Median(times);
    std::printf("webp decode %d x %d (%zu KB): engine %.1f ms (median of %d)\n", w, h, bytes.size() / 1024, engine,
                kRounds);
    if (argc >= 3) {
        const double dwebp = std::atof(argv[2]);
        std::printf("webp decode: dwebp %.1f ms, engine / dwebp = %.2f (target <= 1.10)\n", dwebp,
                    dwebp > 0 ? engine / dwebp : 0.0);
    }
    return 0;
}
