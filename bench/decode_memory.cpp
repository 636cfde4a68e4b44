// Which decode path keeps memory over damaged pictures (not part of CI):
// each kind and damage of the fuzz corpus through the viewer's measurement
// (header, then GDI+), the engine's decode, GDI+ alone (without and with
// the guards) and WIC alone (every object released), `calls` times over 200
// files, printing the committed private memory each call leaves behind.
//   decode_memory [calls] [kind] [damage]   (run in the build's bin folder)
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gdiplus.h>
#include <wincodec.h>

#include "engine_harness.h"
#include "picture/decoder_guards.h"
#include "picture/picture_stream.h"
#include "fuzz_corpus.h"
#include "imaging/imaging.h"
#include "skin/engine.h"
#include "test_support.h"

using namespace vela::test;

namespace {

double PrivateKiB() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Wine reports committed private memory as the page-file usage (its
    // PrivateUsage reads 0).
    return (pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage) / 1024.0;
}

// The platform's codecs through WIC alone, every object released.
void DecodeWithWic(const vela::Bytes& b) {
    static IWICImagingFactory* factory = [] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IWICImagingFactory* f = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&f));
        return f;
    }();
    if (!factory || !vela::imaging::DecodersMayRead(b.data(), b.size())) return;
    IStream* s = vela::imaging::PictureStream::Create(b.data(), b.size());
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    if (SUCCEEDED(factory->CreateDecoderFromStream(s, nullptr, WICDecodeMetadataCacheOnLoad, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom))) {
        UINT w = 0, h = 0;
        converter->GetSize(&w, &h);
        if (w && h && uint64_t{w} * h <= (16u << 20)) {
            std::vector<uint8_t> px(size_t{w} * h * 4);
            converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(px.size()), px.data());
        }
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    vela::imaging::PictureStream::Discard(s);
    s->Release();
}

template <typename Call>
double BytesPerCall(const std::vector<FuzzFile>& files, int calls, Call call) {
    for (const FuzzFile& f : files) call(f.bytes);  // warm: first uses fill caches
    const double before = PrivateKiB();
    for (int i = 0; i < calls; ++i) call(files[static_cast<size_t>(i) % files.size()].bytes);
    return (PrivateKiB() - before) * 1024 / calls;
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
    const std::string onlyKind = argc > 2 ? argv[2] : "all", onlyDamage = argc > 3 ? argv[3] : "all";
    if (!Engine().dll) return 1;
    vela::skin::UseEngineModule(Engine().dll);
    vela::StartImaging();
    std::printf("%-6s %-7s %8s %14s %14s %14s %14s %14s\n", "kind", "damage", "files", "measure B/call", "engine B/call",
                "gdip bitmap", "gdip guarded", "wic guarded");
    for (const char* kind : {"jpg", "png", "gif", "bmp", "ico", "webp"}) {
        if (onlyKind != "all" && onlyKind != kind) continue;
        for (const char* damage : {"cut", "flip", "run", "header"}) {
            if (onlyDamage != "all" && onlyDamage != damage) continue;
            const std::vector<FuzzFile> files = MakeFuzzCorpus(1, 200, [&](const std::string& ext, const std::string& how) {
                return ext == std::string(".") + kind && how == damage;
            });
            if (files.empty()) continue;
            const double measure = BytesPerCall(files, calls, [](const vela::Bytes& b) {
                vela::ForgetMeasurement();
                vela::MeasurePictureWidth(b);
            });
            const double engine = BytesPerCall(files, calls, [](const vela::Bytes& b) {
                ExuiPixels px{};
                ExuiPixelsHandle h = Engine().DecodePicturePixels(b.empty() ? nullptr : b.data(),
                                                                   static_cast<int32_t>(b.size()), &px);
                if (h) Engine().FreePicturePixels(h);
            });
            // GDI+ alone, over our stream, with and without the guards.
            auto gdip = [](const vela::Bytes& b, bool guarded) {
                if (guarded && !vela::imaging::DecodersMayRead(b.data(), b.size())) return;
                IStream* s = vela::imaging::PictureStream::Create(b.data(), b.size());
                Gdiplus::GpBitmap* bitmap = nullptr;
                Gdiplus::DllExports::GdipCreateBitmapFromStream(s, &bitmap);
                if (bitmap) Gdiplus::DllExports::GdipDisposeImage(bitmap);
                else vela::imaging::PictureStream::Discard(s);
                s->Release();
            };
            const double bitmap = std::string(kind) == "bmp" || std::string(kind) == "ico"
                                      ? 0  // unguarded, these end the process
                                      : BytesPerCall(files, calls, [&](const vela::Bytes& b) { gdip(b, false); });
            const double guarded = BytesPerCall(files, calls, [&](const vela::Bytes& b) { gdip(b, true); });
            const double wic = BytesPerCall(files, calls, DecodeWithWic);
            std::printf("%-6s %-7s %8zu %14.0f %14.0f %14.0f %14.0f %14.0f\n", kind, damage, files.size(), measure,
                        engine, bitmap, guarded, wic);
            std::fflush(stdout);
        }
    }
    vela::StopImaging();
    return 0;
}
