#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>
#include <memory>
#include <new>

#include "picture/exif_orientation.h"
#include "imaging/imaging.h"
#include "imaging/imaging_internal.h"
#include "imaging/header_measure.h"
#include "picture/picture_stream.h"
#include "picture/pixel_data.h"

namespace vela {
namespace {

using namespace imaging;

struct Size {
    int width = 0;
    int height = 0;
};

// The last few contents measured (copies of their bytes) and what they
// measured. Every picture is measured twice in a row (width, then height)
// and again on each fit and window size change; the neighbours of the shown
// picture are measured ahead on a background thread, so that a step finds
// their size here. A decode of a large JPEG costs a third of a second or
// more. Entries are found by their bytes, compared in full, never by path;
// the oldest go first when the count or the bytes held pass their bounds.
constexpr std::size_t kMaxEntries = 4;
// Three large photos (the shown picture and its neighbours), not a fourth.
constexpr std::size_t kMaxHeldBytes = 48u << 20;
// A measurement ahead of equal bytes is waited for at most this long (a
// large photo takes well under a second); past it the caller decodes the
// bytes itself rather than hang on a stuck decoder.
constexpr DWORD kLongestAheadWaitMs = 10000;

struct Remembered {
    Bytes bytes;
    Size result;

    bool Matches(ByteView picture) const {
        return bytes.size() == picture.size() &&
               (bytes.empty() || std::memcmp(bytes.data(), picture.data(), bytes.size()) == 0);
    }
};

class MeasurementCache {
public:
    // With waitForAhead, bytes equal to those being measured ahead right now
    // wait for that measurement (10 s at most) instead of decoding again.
    bool Find(ByteView picture, Size* out, bool waitForAhead) {
        AcquireSRWLockExclusive(&lock_);
        bool found = false;
        for (;;) {
            for (std::size_t i = 0; i < entries_.size(); ++i) {
                if (!entries_[i].Matches(picture)) continue;
                *out = entries_[i].result;
                // The newest use goes to the end, where eviction comes last.
                std::rotate(entries_.begin() + i, entries_.begin() + i + 1, entries_.end());
                found = true;
                break;
            }
            if (found || !waitForAhead || !aheadBusy_ || ahead_.size() != picture.size() ||
                (!picture.empty() && std::memcmp(ahead_.data(), picture.data(), picture.size()) != 0))
                break;
            if (!SleepConditionVariableSRW(&aheadDone_, &lock_, kLongestAheadWaitMs, 0)) break;
        }
        found ? ++hits_ : ++misses_;
        ReleaseSRWLockExclusive(&lock_);
        return found;
    }
    // The bytes a background thread is measuring now; they stay alive
    // until it calls EndAhead.
    void BeginAhead(ByteView picture) {
        AcquireSRWLockExclusive(&lock_);
        ahead_ = picture;
        aheadBusy_ = true;
        ReleaseSRWLockExclusive(&lock_);
    }
    void EndAhead() {
        AcquireSRWLockExclusive(&lock_);
        ahead_ = {};
        aheadBusy_ = false;
        ReleaseSRWLockExclusive(&lock_);
        WakeAllConditionVariable(&aheadDone_);
    }
    void Store(ByteView picture, Size measured) {
        if (picture.size() > kMaxHeldBytes) return;
        Bytes copy;
        try {
            copy.assign(picture.begin(), picture.end());
        } catch (const std::exception&) {
            return;  // without memory for the copy the result is simply not remembered
        }
        Keep(std::move(copy), measured, false);
    }
    // The measurement ahead ends with its bytes kept as they are (no copy),
    // in the same step that wakes a measurement waiting for them.
    void StoreAndEndAhead(Bytes&& picture, Size measured) {
        if (picture.size() > kMaxHeldBytes) {
            EndAhead();
            return;
        }
        Keep(std::move(picture), measured, true);
    }
    void Forget() {
        std::vector<Remembered> gone;
        AcquireSRWLockExclusive(&lock_);
        gone.swap(entries_);
        ReleaseSRWLockExclusive(&lock_);
    }
    MeasurementCacheInfo Info() {
        MeasurementCacheInfo info;
        AcquireSRWLockShared(&lock_);
        info.entries = static_cast<int>(entries_.size());
        for (const auto& e : entries_) info.bytes += e.bytes.size();
        info.hits = hits_;
        info.misses = misses_;
        ReleaseSRWLockShared(&lock_);
        return info;
    }

private:
    void Keep(Bytes&& picture, Size measured, bool endAhead) {
        Remembered r;
        r.bytes = std::move(picture);
        r.result = measured;
        std::vector<Remembered> gone;  // freed outside the lock
        AcquireSRWLockExclusive(&lock_);
        try {
            for (std::size_t i = 0; i < entries_.size(); ++i) {
                if (entries_[i].Matches(r.bytes)) {
                    gone.push_back(std::move(entries_[i]));
                    entries_.erase(entries_.begin() + i);
                    break;
                }
            }
            std::size_t held = r.bytes.size();
            for (const auto& e : entries_) held += e.bytes.size();
            while (!entries_.empty() && (entries_.size() >= kMaxEntries || held > kMaxHeldBytes)) {
                held -= entries_.front().bytes.size();
                gone.push_back(std::move(entries_.front()));
                entries_.erase(entries_.begin());
            }
            entries_.push_back(std::move(r));
        } catch (const std::exception&) {
        }
        if (endAhead) {
            ahead_ = {};
            aheadBusy_ = false;
        }
        ReleaseSRWLockExclusive(&lock_);
        if (endAhead) WakeAllConditionVariable(&aheadDone_);
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE aheadDone_ = CONDITION_VARIABLE_INIT;
    ByteView ahead_;
    bool aheadBusy_ = false;
    std::vector<Remembered> entries_;  // oldest use first
    int hits_ = 0, misses_ = 0;
};

MeasurementCache remembered;

Size SizeOf(gdip::GpImage* image) {
    Size size;
    if (!image) return size;
    UINT width = 0, height = 0;
    api::GdipGetImageWidth(image, &width);
    api::GdipGetImageHeight(image, &height);
    size.width = static_cast<int>(width);
    size.height = static_cast<int>(height);
    return size;
}

// The size of the picture as it stands upright: a photo whose EXIF block
// says it is to be turned a quarter has its sides swapped.
Size Upright(Size stored, int orientation) {
    if (OrientationSwapsSides(orientation)) std::swap(stored.width, stored.height);
    return stored;
}

// What a measurement of bytes made; the image is disposed before the
// stream is released.
struct Decoded {
    Stream stream;
    Image image;

    void Release() {
        image.Reset();
        stream.Reset();
    }
};

Size MeasureContent(ByteView picture, Decoded& decoded) {
    // A GIF is measured as the engine shows it, on its logical screen.
    if (Size shown; LooksLikeGif(picture.data(), picture.size()) &&
                    EnginePictureSize(picture, &shown.width, &shown.height))
        return shown;
    decoded.stream = DecoderStream(picture);
    if (!decoded.stream) return {};
    api::GdipLoadImageFromStream(decoded.stream.Get(), decoded.image.Out());
    if (!decoded.image) {
        PictureStream::Discard(decoded.stream.Get());
        return {};
    }
    return Upright(SizeOf(decoded.image.Get()), JpegOrientation(picture.data(), picture.size()));
}

// A size the header settles needs no decode, and nothing to remember.
bool FromHeader(ByteView picture, Size* size) {
    return MeasureFromHeader(picture, &size->width, &size->height);
}

// Only the bytes themselves are measured, whatever they hold: a picture
// file's content never sends the viewer to another file or to the network.
Size Measure(ByteView picture) {
    if (Size header; FromHeader(picture, &header)) return header;
    Size found;
    if (remembered.Find(picture, &found, true)) return found;
    GdiplusSession session;
    if (!session.Started()) return {};
    Decoded decoded;
    const Size measured = MeasureContent(picture, decoded);
    decoded.Release();  // gone before the bytes are copied
    remembered.Store(picture, measured);
    return measured;
}

}  // namespace

int MeasurePictureWidth(ByteView picture) { return Measure(picture).width; }
int MeasurePictureHeight(ByteView picture) { return Measure(picture).height; }
void ForgetMeasurement() { remembered.Forget(); }

namespace {

// With owned bytes, they become the remembered copy and the decoded picture
// is freed after the answer is out; otherwise it is freed before the bytes
// are copied, so that the two are never held at once.
void MeasureAheadOf(ByteView picture, Bytes* owned) {
    if (Size header; FromHeader(picture, &header)) return;
    // Declared first, so that GDI+ is shut down after everything it made.
    GdiplusSession session;
    struct Ahead {
        explicit Ahead(ByteView p) { remembered.BeginAhead(p); }
        ~Ahead() {
            if (!ended) remembered.EndAhead();  // on every other way out
        }
        bool ended = false;
    } ahead(picture);
    Size found;
    if (remembered.Find(picture, &found, false) || !session.Started()) return;
    Decoded decoded;
    const Size measured = MeasureContent(picture, decoded);
    if (owned) {
        // The stream reads its own copy: the bytes may go to the memo as they are.
        remembered.StoreAndEndAhead(std::move(*owned), measured);
        ahead.ended = true;
        return;
    }
    decoded.Release();
    remembered.Store(picture, measured);
}

}  // namespace

void MeasureAhead(ByteView picture) { MeasureAheadOf(picture, nullptr); }
void MeasureAhead(Bytes&& picture) { MeasureAheadOf(picture, &picture); }
MeasurementCacheInfo InspectMeasurements() { return remembered.Info(); }

}  // namespace vela
