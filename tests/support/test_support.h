#pragma once
// Helpers shared by the tests: scratch folders, files, child processes,
// windows of other processes, and waiting for a state instead of a time.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

// A fresh folder under the system temporary folder, removed with its
// content on destruction. name may hold GBK characters.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name = "vela");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // The folder's path, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // Path() + "\" + name.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

bool WriteBytes(const std::string& path, const Bytes& bytes);
bool WriteText(const std::string& path, const std::string& text);
Bytes ReadBytes(const std::string& path);
bool MakeFolder(const std::string& path);
// Removes a file or a folder tree.
void RemoveTree(const std::string& path);

// A GBK text of the tests as the platform's UTF-16 path.
inline std::wstring W(const std::string& gbk) { return WideFromGbk(gbk); }
// The same helpers for UTF-16 paths of any length (names outside GBK,
// folders past MAX_PATH).
bool WriteBytes(const std::wstring& path, const Bytes& bytes);
Bytes ReadBytes(const std::wstring& path);
bool MakeFolder(const std::wstring& path);
bool Exists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// The path with the extended-length prefix when it is MAX_PATH or longer.
std::wstring Long(const std::wstring& path);

// The folder of the running test program (the build's bin folder).
std::string ProgramFolder();
// The Unix path Wine maps a Windows path (GBK, or GB18030 beyond it) to, for
// native programs the tests start (ImageMagick, the drop client); drive C
// as its own folder, since ImageMagick would read "c:" as a format prefix.
// Empty when not under Wine.
std::string UnixPath(const std::string& windowsPath);

// Polls until done() is true or timeoutMs passes; pumps this thread's messages
// meanwhile. Returns done()'s last value.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

struct Child {
    PROCESS_INFORMATION info{};
    bool Started() const { return info.hProcess != nullptr; }
    // Waits for the end; returns the exit code, or STILL_ACTIVE on time-out.
    DWORD Wait(DWORD timeoutMs = 30000);
    void Kill();
    ~Child();
};

// Starts a program with a complete command line (program path included).
bool StartChild(Child& child, const std::string& commandLine, const std::string& workingFolder = {});
bool StartChild(Child& child, const std::wstring& commandLine, const std::wstring& workingFolder);

// The top-level windows of a process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD processId);
// A message box (class #32770) of the process, or null.
HWND FindMessageBox(DWORD processId);
// The UTF-16 texts of a window's children of the given class (all when empty).
std::vector<std::wstring> ChildTexts(HWND window, const wchar_t* className = L"");
std::wstring WindowTextW(HWND window);
// Clicks the child button whose caption is `caption`; false when missing.
bool ClickButton(HWND dialog, const std::wstring& caption);

// The CLSID of GDI+'s encoder for a MIME type ("image/png"); false when none.
// GDI+ must be started.
bool EncoderClsid(const wchar_t* mimeType, CLSID* clsid);
// Everything a stream holds, read from its start.
Bytes BytesOfStream(IStream* stream);

// Picture files made through GDI+: a solid picture of the given size encoded
// as "image/jpeg", "image/png", "image/bmp" or "image/gif", its top-left
// quarter white; with `topRight`, the top-right quarter that colour.
Bytes MakePicture(int width, int height, const wchar_t* mimeType, COLORREF colour = RGB(200, 120, 40),
                  COLORREF topRight = CLR_INVALID);

// The JPEG with an APP1 EXIF block spliced in after its start marker: a TIFF
// block (little- or big-endian) whose first directory holds one entry: the
// orientation (tag 0x0112, SHORT, one value) of the given value.
Bytes WithExifOrientation(const Bytes& jpeg, int value, bool bigEndian = false);
// The JPEG with `app1` (the segment's content after its length: "Exif\0\0"
// and the TIFF block, or anything else) spliced in as an APP1 segment.
Bytes WithApp1(const Bytes& jpeg, const Bytes& app1);

// A GIF written byte by byte (the platform's GIF encoder may write no image
// data): the given colour with the top-left quarter white, as MakePicture.
Bytes MakeGif(int width, int height, COLORREF colour = RGB(200, 120, 40));

// The colour of one pixel of an encoded picture, decoded through GDI+;
// CLR_INVALID when it cannot be decoded or the point lies outside.
COLORREF PixelOf(const Bytes& picture, int x, int y);

// What the screen shows in a rectangle: top-down 32-bit BGRX pixels, row
// after row (empty when the screen cannot be read).
std::vector<uint32_t> ScreenPixels(const RECT& area);

// The address space a process has reserved or committed, in MiB: where
// allocations that are never touched (and so never count as private
// memory) show. 0 when the process cannot be read.
double AddressSpaceInUseMiB(HANDLE process = GetCurrentProcess());

// A copy of the bytes that ends where a page the process may not touch
// begins: a reader that looks one byte past them ends the test program.
class GuardedBytes {
public:
    explicit GuardedBytes(const Bytes& bytes);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    void* region_ = nullptr;
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace vela::test
