#include "test_support.h"

#include <gdiplus.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdio>

#include "runtime/unique.h"

namespace vela::test {

ScratchFolder::ScratchFolder(const std::string& name) {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string base(temp);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    char unique[64];
    std::snprintf(unique, sizeof unique, "_%lu_%d_%lu", GetCurrentProcessId(), counter++, GetTickCount());
    path_ = base + "\\" + name + unique;
    MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool WriteBytes(const std::string& path, const Bytes& bytes) {
    Unique<HANDLE, CloseHandle> f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!f) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteBytes(path, Bytes(text.begin(), text.end()));
}

Bytes ReadBytes(const std::string& path) {
    Unique<HANDLE, CloseHandle> f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
    if (!f) return {};
    DWORD size = GetFileSize(f.Get(), nullptr);
    Bytes b(size);
    DWORD read = 0;
    if (size && !ReadFile(f.Get(), b.data(), size, &read, nullptr)) return {};
    b.resize(read);
    return b;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool WriteBytes(const std::wstring& path, const Bytes& bytes) {
    Unique<HANDLE, CloseHandle> f(
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return f && (bytes.empty() || (WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                             nullptr) &&
                                   written == bytes.size()));
}

Bytes ReadBytes(const std::wstring& path) {
    Unique<HANDLE, CloseHandle> f(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return {};
    Bytes b(GetFileSize(f.Get(), nullptr));
    DWORD read = 0;
    if (!b.empty() && !ReadFile(f.Get(), b.data(), static_cast<DWORD>(b.size()), &read, nullptr)) return {};
    b.resize(read);
    return b;
}

bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(Long(path).c_str(), nullptr) != 0; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Long(const std::wstring& path) {
    return path.size() >= MAX_PATH && path.compare(0, 4, L"\\\\?\\") != 0 ? L"\\\\?\\" + path : path;
}

// Wide and with the extended-length prefix: names outside GBK and folders
// deeper than MAX_PATH go too.
void RemoveTree(const std::wstring& path) {
    const std::wstring at = Long(path);
    DWORD attributes = GetFileAttributesW(at.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(at.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(at.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((at + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(at.c_str());
}

void RemoveTree(const std::string& path) { RemoveTree(W(path)); }

std::string ProgramFolder() {
    char p[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, p, MAX_PATH);
    std::string s(p, n);
    return s.substr(0, s.find_last_of('\\'));
}

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unix = toUnix(WideFromGb18030(windowsPath).c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    const size_t drive = out.find("/dosdevices/c:/");
    if (drive != std::string::npos) out.replace(drive, 15, "/drive_c/");
    return out;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return done();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

DWORD Child::Wait(DWORD timeoutMs) {
    if (!info.hProcess) return STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void Child::Kill() {
    if (info.hProcess && WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
}

Child::~Child() {
    Kill();
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
}

bool StartChild(Child& child, const std::wstring& commandLine, const std::wstring& workingFolder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring line = commandLine;
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &child.info) != 0;
}

bool StartChild(Child& child, const std::string& commandLine, const std::string& workingFolder) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string line = commandLine;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &child.info) != 0;
}

std::wstring WindowTextW(HWND window);

namespace {
struct ProcessSearch {
    DWORD pid;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectProcessWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<ProcessSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid) s->found.push_back(w);
    return TRUE;
}
struct TextSearch {
    std::wstring cls;
    std::vector<std::wstring> texts;
};
BOOL CALLBACK CollectChildText(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<TextSearch*>(p);
    wchar_t cls[64] = L"";
    GetClassNameW(w, cls, 64);
    if (s->cls.empty() || _wcsicmp(cls, s->cls.c_str()) == 0) s->texts.push_back(WindowTextW(w));
    return TRUE;
}
struct CaptionSearch {
    std::wstring caption;
    HWND found;
};
BOOL CALLBACK FindCaption(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<CaptionSearch*>(p);
    if (WindowTextW(w) == s->caption) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId) {
    ProcessSearch search{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox(DWORD processId) {
    for (HWND w : TopLevelWindows(processId)) {
        wchar_t cls[64] = L"";
        GetClassNameW(w, cls, 64);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

std::wstring WindowTextW(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(window, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className) {
    TextSearch search{className, {}};
    EnumChildWindows(window, CollectChildText, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

bool ClickButton(HWND dialog, const std::wstring& caption) {
    CaptionSearch search{caption, nullptr};
    EnumChildWindows(dialog, FindCaption, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    PostMessageW(search.found, BM_CLICK, 0, 0);
    return true;
}

bool EncoderClsid(const wchar_t* mimeType, CLSID* clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size) return false;
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, mimeType) == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

Bytes BytesOfStream(IStream* stream) {
    STATSTG stat{};
    if (stream->Stat(&stat, STATFLAG_NONAME) != S_OK) return {};
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    Bytes out(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    stream->Read(out.data(), static_cast<ULONG>(out.size()), &read);
    out.resize(read);
    return out;
}

Bytes MakePicture(int width, int height, const wchar_t* mimeType, COLORREF colour, COLORREF topRight) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return {};
    Bytes out;
    {
        Gdiplus::Bitmap bitmap(width, height, PixelFormat24bppRGB);
        {
            Gdiplus::Graphics g(&bitmap);
            g.Clear(Gdiplus::Color(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
            // A mark in the top-left corner so that orientation can be told.
            Gdiplus::SolidBrush mark(Gdiplus::Color(255, 255, 255));
            g.FillRectangle(&mark, 0, 0, width / 4 + 1, height / 4 + 1);
            Gdiplus::SolidBrush second(Gdiplus::Color(GetRValue(topRight), GetGValue(topRight), GetBValue(topRight)));
            if (topRight != CLR_INVALID) g.FillRectangle(&second, width - width / 4 - 1, 0, width / 4 + 1, height / 4 + 1);
        }
        CLSID clsid;
        IStream* stream = nullptr;
        if (EncoderClsid(mimeType, &clsid) && CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK) {
            if (bitmap.Save(stream, &clsid, nullptr) == Gdiplus::Ok) out = BytesOfStream(stream);
            stream->Release();
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return out;
}

Bytes WithApp1(const Bytes& jpeg, const Bytes& app1) {
    if (jpeg.size() < 2) return jpeg;
    const size_t length = app1.size() + 2;
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.push_back(0xFF);
    out.push_back(0xE1);
    out.push_back(static_cast<unsigned char>(length >> 8));
    out.push_back(static_cast<unsigned char>(length & 0xFF));
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes WithExifOrientation(const Bytes& jpeg, int value, bool bigEndian) {
    // "Exif", the TIFF header, then a directory of one entry: 0x0112, SHORT, one value.
    const unsigned char v = static_cast<unsigned char>(value);
    const Bytes little = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                          0x12, 1, 3, 0, 1, 0, 0, 0, v, 0, 0, 0, 0, 0, 0, 0};
    const Bytes big = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                       1, 0x12, 0, 3, 0, 0, 0, 1, 0, v, 0, 0, 0, 0, 0, 0};
    return WithApp1(jpeg, bigEndian ? big : little);
}

Bytes MakeGif(int width, int height, COLORREF colour) {
    auto put16 = [](Bytes& b, int v) {
        b.push_back(static_cast<unsigned char>(v & 0xFF));
        b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
    };
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, width);
    put16(b, height);
    b.push_back(0x81);  // global table of 4 colours
    b.push_back(0);
    b.push_back(0);
    const unsigned char table[12] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 255, 255, 255, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), table, table + 12);
    b.push_back(0x2C);
    put16(b, 0);
    put16(b, 0);
    put16(b, width);
    put16(b, height);
    b.push_back(0);
    b.push_back(2);  // minimum code size
    // LZW codes of 3 bits: a clear code before every two pixels keeps the
    // code width from growing, so no table needs to be kept here.
    Bytes data;
    unsigned bits = 0, count = 0;
    auto emit = [&](unsigned code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            data.push_back(static_cast<unsigned char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (n++ % 2 == 0) emit(4);
            emit((x <= width / 4 && y <= height / 4) ? 1 : 0);
        }
    }
    emit(5);
    if (count) data.push_back(static_cast<unsigned char>(bits & 0xFF));
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t len = std::min<size_t>(255, data.size() - at);
        b.push_back(static_cast<unsigned char>(len));
        b.insert(b.end(), data.begin() + at, data.begin() + at + len);
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

COLORREF PixelOf(const Bytes& picture, int x, int y) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (picture.empty() || Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return CLR_INVALID;
    COLORREF result = CLR_INVALID;
    IStream* stream = SHCreateMemStream(picture.data(), static_cast<UINT>(picture.size()));
    if (stream) {
        {
            Gdiplus::Bitmap bitmap(stream);
            Gdiplus::Color colour;
            if (bitmap.GetLastStatus() == Gdiplus::Ok && x >= 0 && y >= 0 &&
                static_cast<UINT>(x) < bitmap.GetWidth() && static_cast<UINT>(y) < bitmap.GetHeight() &&
                bitmap.GetPixel(x, y, &colour) == Gdiplus::Ok) {
                result = RGB(colour.GetR(), colour.GetG(), colour.GetB());
            }
        }
        stream->Release();
    }
    Gdiplus::GdiplusShutdown(token);
    return result;
}

double AddressSpaceInUseMiB(HANDLE process) {
    MEMORY_BASIC_INFORMATION m;
    double mib = 0;
    for (const char* at = nullptr; VirtualQueryEx(process, at, &m, sizeof m) == sizeof m;) {
        if (m.State != MEM_FREE) mib += m.RegionSize / 1048576.0;
        const char* next = static_cast<const char*>(m.BaseAddress) + m.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return mib;
}

GuardedBytes::GuardedBytes(const Bytes& bytes) : size_(bytes.size()) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize, readable = (bytes.size() + page - 1) / page * page + page;
    region_ = VirtualAlloc(nullptr, readable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!region_) return;
    auto* base = static_cast<unsigned char*>(region_);
    DWORD old = 0;
    VirtualProtect(base + readable, page, PAGE_NOACCESS, &old);
    auto* at = base + readable - bytes.size();
    if (!bytes.empty()) memcpy(at, bytes.data(), bytes.size());
    data_ = at;
}

GuardedBytes::~GuardedBytes() {
    if (region_) VirtualFree(region_, 0, MEM_RELEASE);
}

std::vector<uint32_t> ScreenPixels(const RECT& area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return {};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<uint32_t> pixels;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        pixels.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
        SelectObject(memory, old);
    }
    if (dib) DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace vela::test
