// Times the real viewer under Wine, as a user waits for it: from process
// start to the picture shown fitted, stepping to the next picture, stepping
// to a neighbour prepared ahead, one zoom step and one wheel step, and
// opening in a folder of 10,000 files; with one GDI+ decode of the same
// file measured in the same run for reference.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "test_support.h"
#include "viewer_driver.h"

using namespace vela::test;

namespace {



// A picture with detail, so that the codec has real work to do.
vela::Bytes MakeDetailedPicture(int w, int h, const wchar_t* mime) {
    return MakePicture(w, h, mime, RGB(90, 140, 200));
}


void Settle() { WaitFor([] { return false; }, 500); }

bool FittedCaptionShown(Viewer& v) {
    std::wstring c = v.ControlText(kZoomRatioButton);
    return !c.empty() && c != L"123" && c != L"<no control>" && c.back() == L'%';
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Case {
    const char* label;
    int w, h;
    const wchar_t* mime;
    const char* ext;
};

}  // namespace

int main() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const int runs = 5;
    std::printf("viewer_bench: medians of %d runs, milliseconds\n", runs);
    std::printf("%-22s %10s %10s %10s %10s %10s %10s %10s\n", "picture", "decode", "open", "open/dec", "next",
                "next prep", "zoom", "wheel");
    const Case cases[] = {{"24 MP JPEG 6000x4000", 6000, 4000, L"image/jpeg", "jpg"},
                          {"12 MP JPEG 4000x3000", 4000, 3000, L"image/jpeg", "jpg"},
                          {"PNG 1920x1080", 1920, 1080, L"image/png", "png"}};
    // VIEWER_BENCH_PART=pictures or =folder runs one half only.
    const char* part = std::getenv("VIEWER_BENCH_PART");
    const bool pictures = !part || std::strcmp(part, "folder") != 0;
    const bool folder = !part || std::strcmp(part, "pictures") != 0;
    for (const Case& c : cases) {
        if (!pictures) break;
        ScratchFolder dir("bench");
        const vela::Bytes bytes = MakeDetailedPicture(c.w, c.h, c.mime);
        const std::string first = dir / (std::string("a.") + c.ext);
        const std::string second = dir / (std::string("b.") + c.ext);
        WriteBytes(first, bytes);
        // Other bytes and another width, so that stepping decodes afresh and
        // its end shows in the zoom caption.
        WriteBytes(second, MakePicture(c.w * 9 / 10, c.h, c.mime, RGB(200, 90, 60)));
        const std::string third = dir / (std::string("c.") + c.ext);
        WriteBytes(third, MakePicture(c.w * 8 / 10, c.h, c.mime, RGB(60, 200, 90)));
        std::vector<double> decode, open, next, prepared, zoom, wheel;
        for (int i = 0; i < runs; ++i) decode.push_back(vela::bench::GdiplusDecodeMs(bytes));
        for (int i = 0; i < runs; ++i) {
            Viewer v;
            double t0 = vela::bench::NowMs();
            v.Start(Quoted(first));
            if (!v.Main() || !WaitFor([&] { return FittedCaptionShown(v); }, 60000)) break;
            open.push_back(vela::bench::NowMs() - t0);

            HWND picture = v.Control(kPictureView);
            const std::wstring firstCaption = v.ControlText(kZoomRatioButton);
            t0 = vela::bench::NowMs();
            v.KeyRelease(picture, VK_RIGHT, true);
            if (!v.WaitTitle(Wide(std::string("b.") + c.ext) + L"—Vela图片查看器", 60000)) break;
            WaitFor([&] { return FittedCaptionShown(v) && v.ControlText(kZoomRatioButton) != firstCaption; }, 60000);
            next.push_back(vela::bench::NowMs() - t0);

            // A step to a neighbour the viewer had time to prepare: the
            // engine sets this event after each picture it prepared (an
            // engine that prepares nothing never does; then the viewer has
            // simply rested for as long).
            {
                char name[64];
                wsprintfA(name, "uiengine-prepared-%lu", v.ProcessId());
                HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, name);
                WaitFor([&] { return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; }, 8000);
                if (ready) CloseHandle(ready);
                Settle();  // the viewer's own measurement of it, on its thread
                // c is narrower than b: its fit changes the caption, or
                // (both at their natural size) the view's width.
                const std::wstring secondCaption = v.ControlText(kZoomRatioButton);
                const RECT secondView = v.ControlRect(kPictureView);
                t0 = vela::bench::NowMs();
                v.KeyRelease(picture, VK_RIGHT, true);
                if (!v.WaitTitle(Wide(std::string("c.") + c.ext) + L"—Vela图片查看器", 60000)) break;
                WaitFor(
                    [&] {
                        const RECT r = v.ControlRect(kPictureView);
                        return FittedCaptionShown(v) && (v.ControlText(kZoomRatioButton) != secondCaption ||
                                                         r.right - r.left != secondView.right - secondView.left);
                    },
                    60000);
                prepared.push_back(vela::bench::NowMs() - t0);
            }

            // Each step starts once the engine has shown the last one: the
            // figure is the step's own cost, not the tail of the one before.
            Settle();
            RECT r0 = v.ControlRect(kPictureView);
            t0 = vela::bench::NowMs();
            v.KeyRelease(picture, VK_UP, true);
            WaitFor([&] { RECT r = v.ControlRect(kPictureView); return r.right - r.left != r0.right - r0.left; }, 20000);
            zoom.push_back(vela::bench::NowMs() - t0);

            Settle();
            RECT r1 = v.ControlRect(kPictureView);
            t0 = vela::bench::NowMs();
            PostMessageW(picture, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(400, 300));
            WaitFor([&] { RECT r = v.ControlRect(kPictureView); return r.right - r.left != r1.right - r1.left; }, 20000);
            wheel.push_back(vela::bench::NowMs() - t0);
            v.Kill();
        }
        std::printf("%-22s %10.0f %10.0f %10.2f %10.0f %10.0f %10.1f %10.1f\n", c.label, vela::bench::Median(decode),
                    vela::bench::Median(open), vela::bench::Median(open) / vela::bench::Median(decode),
                    vela::bench::Median(next), vela::bench::Median(prepared), vela::bench::Median(zoom),
                    vela::bench::Median(wheel));
    }

    // Opening a small picture in a folder of 10,000 files against an empty folder.
    if (folder) {
        ScratchFolder big("bench10k"), small("bench1");
        const vela::Bytes bytes = MakePicture(800, 600, L"image/jpeg");
        WriteBytes(small / "a.jpg", bytes);
        WriteBytes(big / "a.jpg", bytes);
        for (int i = 0; i < 10000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%05d.%s", i, i % 2 ? "jpg" : "txt");
            WriteBytes(big / name, {});
        }
        std::vector<double> inSmall, inBig;
        for (int i = 0; i < runs; ++i) {
            for (auto* target : {&inSmall, &inBig}) {
                Viewer v;
                double t0 = vela::bench::NowMs();
                v.Start(Quoted((target == &inSmall ? small : big) / "a.jpg"));
                if (v.Main() && WaitFor([&] { return FittedCaptionShown(v); }, 120000)) target->push_back(vela::bench::NowMs() - t0);
                v.Kill();
            }
        }
        std::printf("open in a folder of 1 file: %.0f ms; of 10,001 files: %.0f ms; added: %.0f ms\n",
                    vela::bench::Median(inSmall), vela::bench::Median(inBig), vela::bench::Median(inBig) - vela::bench::Median(inSmall));
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
