// Debian's libjxl decoding a JPEG XL file natively, decode only (8-bit
// RGBA into memory, nothing written), on its own thread runner with one
// thread per core: the reference the engine's decode is timed against.
// With --sse4 libjxl's SIMD is held to the targets a 32-bit build has
// (SSE4 and below, through Debian's shared highway), for the same code
// paths as the engine's.
//   jxl_decode_native [--sse4] FILE [ROUNDS]   prints the median decode time in ms
#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Debian's libhwy: the run-time targets libjxl may choose among.
namespace hwy {
void DisableTargets(int64_t disabledTargets);
}

namespace {

// highway's bits for the x86 targets above SSE4 (hwy/detect_targets.h, 1.0.3).
constexpr int64_t kAboveSse4 = (1LL << 7) | (1LL << 8) | (1LL << 9);

// One whole decode of the bytes; false when libjxl refuses them.
bool DecodeOnce(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& pixels) {
    JxlDecoder* dec = JxlDecoderCreate(nullptr);
    void* runner = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool done = false, ok = true;
    JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner);
    JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(dec, bytes.data(), bytes.size());
    JxlDecoderCloseInput(dec);
    while (ok && !done) {
        switch (JxlDecoderProcessInput(dec)) {
        case JXL_DEC_BASIC_INFO:
        case JXL_DEC_COLOR_ENCODING:
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t size = 0;
            ok = JxlDecoderImageOutBufferSize(dec, &format, &size) == JXL_DEC_SUCCESS;
            pixels.resize(size);
            ok = ok && JxlDecoderSetImageOutBuffer(dec, &format, pixels.data(), size) == JXL_DEC_SUCCESS;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            done = true;
            break;
        default:
            ok = false;
        }
    }
    JxlThreadParallelRunnerDestroy(runner);
    JxlDecoderDestroy(dec);
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--sse4") {
        hwy::DisableTargets(kAboveSse4);
        --argc;
        ++argv;
    }
    if (argc < 2) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int rounds = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 9;
    std::vector<uint8_t> pixels;
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!DecodeOnce(bytes, pixels)) return 1;
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f\n", times[times.size() / 2]);
    return 0;
}
