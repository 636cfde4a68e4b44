// JPEG XL decode speed: a 4000 x 3000 lossy photo-like JPEG XL decoded by
// the engine (libjxl built from Debian's source, i686, under Wine) against
// Debian's own libjxl natively on the same file, as bench/jxl_compare.sh
// runs them side by side. Alone it prints the engine's figures only.
//   jxl_bench.exe PATH [NATIVE_MS]   times the engine's decode of PATH
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine_harness.h"
#include "test_support.h"

using namespace vela::test;
using vela::bench::Median;
using vela::bench::NowMs;

namespace {

constexpr int kRounds = 9;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("jxl_bench: give the JPEG XL to decode (bench/jxl_compare.sh makes one)\n");
        return 1;
    }
    const vela::Bytes bytes = ReadBytes(argv[1]);
    if (bytes.empty() || !Engine().DecodePicturePixels) {
        std::printf("jxl_bench: no picture or no engine export\n");
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
    std::printf("jxl decode %d x %d (%zu KB): engine %.1f ms (median of %d)\n", w, h, bytes.size() / 1024, engine,
                kRounds);
    if (argc >= 3) {
        const double native = std::atof(argv[2]);
        std::printf("jxl decode: native libjxl %.1f ms, engine / native = %.2f (target <= 1.10)\n", native,
                    native > 0 ? engine / native : 0.0);
    }
    return 0;
}
