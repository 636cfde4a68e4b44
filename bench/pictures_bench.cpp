// Figures for picture handling: GDI+ decode times of typical pictures, a
// width + height measurement pair with and without the remembered
// measurement, and a folder scan of 10,000 files (with and without the sort
// by name).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "files/picture_list.h"
#include "files/picture_order.h"
#include "imaging/imaging.h"
#include "test_support.h"

using namespace vela;

namespace {

double Seconds(const std::function<void()>& work) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    work();
    QueryPerformanceCounter(&b);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

double Median(int runs, const std::function<void()>& work) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) t.push_back(Seconds(work));
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int main() {
    test::ScratchFolder folder("pictures_bench");
    const struct {
        const char* name;
        int w, h;
        const wchar_t* mime;
    } pictures[] = {{"24 MP JPEG 6000x4000", 6000, 4000, L"image/jpeg"},
                    {"12 MP JPEG 4000x3000", 4000, 3000, L"image/jpeg"},
                    {"1920x1080 PNG", 1920, 1080, L"image/png"}};
    for (const auto& p : pictures) {
        const std::string path = folder / (std::string(p.name).substr(0, 5) + (p.mime[6] == 'j' ? ".jpg" : ".png"));
        test::WriteBytes(path, test::MakePicture(p.w, p.h, p.mime));
        const Bytes bytes = test::ReadBytes(path);
        int w = 0, h = 0;
        const double decode = Median(5, [&] {
            ForgetMeasurement();
            w = MeasurePictureWidth(bytes);
        });
        const double pairFresh = Median(3, [&] {
            ForgetMeasurement();
            w = MeasurePictureWidth(bytes);
            ForgetMeasurement();
            h = MeasurePictureHeight(bytes);
        });
        const double pairRemembered = Median(3, [&] {
            ForgetMeasurement();
            w = MeasurePictureWidth(bytes);
            h = MeasurePictureHeight(bytes);
        });
        const double again = Median(5, [&] {
            w = MeasurePictureWidth(bytes);
            h = MeasurePictureHeight(bytes);
        });
        std::printf("%-22s %8u bytes  decode %.3f s  pair: two decodes %.3f s, one decode %.3f s, "
                    "remembered %.6f s  (%dx%d)\n",
                    p.name, static_cast<unsigned>(bytes.size()), decode, pairFresh, pairRemembered, again, w, h);
    }

    const std::string many = folder / "many";
    test::MakeFolder(many);
    const char* ext[] = {".jpg", ".png", ".txt", ".gif", ".JPG"};
    const double create = Seconds([&] {
        for (int i = 0; i < 10000; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "\\p%05d%s", i, ext[i % 5]);
            HANDLE f = CreateFileA((many + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        }
    });
    std::size_t found = 0, listed = 0;
    const double plain = Median(3, [&] {
        std::vector<Path> files = FindFilesInFolder(WideFromGbk(many), L"*.*", nullptr);
        found = files.size();
        listed = FilterPictures(files).size();
    });
    const double sorted = Median(3, [&] {
        std::vector<Path> pictures = FilterPictures(FindFilesInFolder(WideFromGbk(many), L"*.*", nullptr));
        SortInExplorerOrder(pictures);
    });
    const double pumped = Median(3, [&] { RebuildPictureList(WideFromGbk(many + "\\p00001.png"), PumpMessages); });
    std::printf("folder of %u files (made in %.1f s): enumerate + filter %.3f s -> %u entries, + sort by name "
                "%.3f s; list rebuilt with message processing per file %.3f s -> %u entries, current %d\n",
                static_cast<unsigned>(found), create, plain, static_cast<unsigned>(listed), sorted, pumped,
                static_cast<unsigned>(PictureList.size()), CurrentIndex);
    return 0;
}
