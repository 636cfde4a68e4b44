#include "decoders/colour.h"

#include <windows.h>

#include <lcms2.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "core/pool.h"
#include "core/unique.h"
#include "picture/icc_profile.h"

namespace uiengine {

namespace {

// Profiles are a few kilobytes; a monitor's rarely more than a megabyte.
constexpr size_t kProfileLimit = 8u << 20;
constexpr size_t kKeptTransforms = 8;

void CloseProfile(cmsHPROFILE p) { cmsCloseProfile(p); }
using Profile = Unique<cmsHPROFILE, CloseProfile>;

Profile OpenProfile(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 128 || bytes.size() > kProfileLimit) return Profile();
    return Profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

// The whole file, or nothing when it cannot be read or is larger than a profile.
std::vector<uint8_t> ReadProfileFile(const wchar_t* path) {
    std::vector<uint8_t> bytes;
    Unique<HANDLE, CloseHandle> file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return bytes;
    const DWORD length = GetFileSize(file.Get(), nullptr);
    if (length == INVALID_FILE_SIZE || length > kProfileLimit) return bytes;
    bytes.resize(length);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), length, &read, nullptr) || read != length) bytes.clear();
    return bytes;
}

// Same primaries and tone curves as sRGB (whatever its maker called it):
// drawn as stored, as a picture without a profile is.
bool SrgbLike(cmsHPROFILE profile) {
    static const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb || cmsGetColorSpace(profile) != cmsSigRgbData) return false;
    const cmsTagSignature colorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    const cmsTagSignature curves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int i = 0; i < 3; ++i) {
        const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[i]));
        const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.Get(), colorants[i]));
        const auto* ca = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[i]));
        const auto* cb = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.Get(), curves[i]));
        if (!a || !b || !ca || !cb) return false;
        if (std::fabs(a->X - b->X) > 0.002 || std::fabs(a->Y - b->Y) > 0.002 || std::fabs(a->Z - b->Z) > 0.002) return false;
        for (int step = 1; step <= 16; ++step) {
            const float v = step / 16.0f;
            if (std::fabs(cmsEvalToneCurveFloat(ca, v) - cmsEvalToneCurveFloat(cb, v)) > 0.5f / 255) return false;
        }
    }
    return true;
}

// The screen's profile: the monitor's where Windows names one that can be
// read and is not sRGB; built-in sRGB otherwise. Chosen once per process.
cmsHPROFILE ScreenProfile() {
    static Profile screen;
    static std::once_flag once;
    std::call_once(once, [] {
        // Asked in UTF-16: the profile's file name may hold any character.
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        bool named = false;
        {
            ScreenDc dc;
            named = dc.Get() && GetICMProfileW(dc.Get(), &size, path);
        }
        if (named) {
            Profile monitor = OpenProfile(ReadProfileFile(path));
            if (monitor && cmsGetColorSpace(monitor.Get()) == cmsSigRgbData &&
                cmsIsIntentSupported(monitor.Get(), INTENT_PERCEPTUAL, LCMS_USED_AS_OUTPUT) && !SrgbLike(monitor.Get()))
                screen = std::move(monitor);
        }
        if (!screen) screen.Reset(cmsCreate_sRGBProfile());
    });
    return screen.Get();
}

// A PNG's compressed profile through zlib, its checksum checked; false for
// a damaged stream, one cut short, or one that inflates past the limit.
bool Inflate(const std::vector<uint8_t>& block, std::vector<uint8_t>* out) {
    constexpr size_t kStep = 64u << 10;
    z_stream z{};
    if (block.empty() || block.size() > kProfileLimit || inflateInit(&z) != Z_OK) return false;
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&z, inflateEnd);
    z.next_in = const_cast<Bytef*>(block.data());
    z.avail_in = static_cast<uInt>(block.size());
    int status = Z_OK;
    while (status == Z_OK && out->size() <= kProfileLimit) {
        const size_t done = out->size();
        out->resize(done + kStep);
        z.next_out = out->data() + done;
        z.avail_out = static_cast<uInt>(kStep);
        status = inflate(&z, Z_NO_FLUSH);
        out->resize(done + (kStep - z.avail_out));
    }
    return status == Z_STREAM_END && out->size() <= kProfileLimit;
}

void DeleteTransform(void* t) {
    if (t) cmsDeleteTransform(t);
}
// Shared: a transform put out of the cache may still be converting a
// picture on another worker. Null: draw as stored.
using Transform = std::shared_ptr<void>;

// The transform of each profile met lately, found by the profile's bytes.
class Transforms {
public:
    Transform For(const std::vector<uint8_t>& profile) {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->profile == profile) {
                std::rotate(it, it + 1, kept_.end());  // the newest use last
                return kept_.back().transform;
            }
        }
        Kept k{profile, Make(profile)};
        if (kept_.size() >= kKeptTransforms) kept_.erase(kept_.begin());
        kept_.push_back(std::move(k));
        return kept_.back().transform;
    }

private:
    struct Kept {
        std::vector<uint8_t> profile;
        Transform transform;
    };

    static Transform Make(const std::vector<uint8_t>& bytes) {
        Profile in = OpenProfile(bytes);
        cmsHPROFILE out = ScreenProfile();
        if (!in || !out || cmsGetColorSpace(in.Get()) != cmsSigRgbData || SrgbLike(in.Get())) return nullptr;
        // No pixel cache: one transform serves several workers at once.
        cmsHTRANSFORM t = cmsCreateTransform(in.Get(), TYPE_BGRA_8, out, TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                             cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA);
        return t ? Transform(t, DeleteTransform) : nullptr;
    }

    std::mutex lock_;
    std::vector<Kept> kept_;
};

Transforms& Kept() {
    static Transforms* transforms = new Transforms();  // for the life of the process
    return *transforms;
}

// Straight colours for the transform, premultiplied again after it.
void UnpremultiplyRow(uint32_t* p, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t a = p[i] >> 24;
        if (a == 0 || a == 255) continue;
        auto up = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
        p[i] = (a << 24) | (up((p[i] >> 16) & 0xFF) << 16) | (up((p[i] >> 8) & 0xFF) << 8) | up(p[i] & 0xFF);
    }
}

void PremultiplyRow(uint32_t* p, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t a = p[i] >> 24;
        if (a == 255) continue;
        p[i] = Premultiply(static_cast<uint8_t>(a), static_cast<uint8_t>(p[i] >> 16), static_cast<uint8_t>(p[i] >> 8),
                           static_cast<uint8_t>(p[i]));
    }
}

}  // namespace

std::vector<uint8_t> StoredProfile(const void* data, size_t length) {
    std::vector<uint8_t> block, profile;
    try {
        const vela::imaging::ProfileBlock kind = vela::imaging::EmbeddedProfile(data, length, &block);
        if (kind == vela::imaging::ProfileBlock::Plain) return block;
        if (kind == vela::imaging::ProfileBlock::Zlib && !Inflate(block, &profile)) profile.clear();
    } catch (...) {
        profile.clear();  // without room for it the picture is drawn as stored
    }
    return profile;
}

void ToScreenColours(Image& image, const std::vector<uint8_t>& profile) {
    if (image.Empty() || profile.empty()) return;
    try {
        const Transform transform = Kept().For(profile);
        if (!transform) return;
        const bool opaque = image.opaque;
        ParallelRows(image.height, [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                uint32_t* row = image.Row(y);
                if (!opaque) UnpremultiplyRow(row, image.width);
                cmsDoTransform(transform.get(), row, row, static_cast<cmsUInt32Number>(image.width));
                if (!opaque) PremultiplyRow(row, image.width);
            }
        });
    } catch (...) {
        // Without room for the profile the picture is drawn as stored.
    }
}

}  // namespace uiengine
