#pragma once
// A read-only stream over a copy of picture bytes, handed to the platform's
// decoders instead of a stream on an HGLOBAL, so that no damaged file can
// make a decoder read outside the bytes. Wine's stream on an
// HGLOBAL lets a reader seek past its end and then copies from beyond its
// block (its remaining length underflows): a damaged data offset in a BMP,
// a marker length in a JPEG or an icon entry sends the decoder there, and
// the process ends with an access violation whenever that memory is not
// mapped. Here every read is bounded by the bytes, past the end reads
// nothing, and a few zero bytes follow the data. Header only, shared by the
// viewer's imaging and the engine's decode.
#include <objbase.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace vela::imaging {

class PictureStream final : public IStream {
public:
    // A stream (one reference) over a copy of the bytes; null without room.
    static IStream* Create(const void* data, std::size_t length) {
        if (length > 0x7FFFFFF0u) return nullptr;
        auto* bytes = new (std::nothrow) Bytes;
        if (!bytes) return nullptr;
        // Each byte written once: the data copied, the slack zeroed.
        bytes->data = new (std::nothrow) uint8_t[length + kSlack];
        if (!bytes->data) {
            delete bytes;
            return nullptr;
        }
        if (length) std::memcpy(bytes->data, data, length);
        std::memset(bytes->data + length, 0, kSlack);
        bytes->length = length;
        auto* stream = new (std::nothrow) PictureStream(bytes);
        if (!stream) bytes->Release();
        return stream;
    }

    // After a failed load: the copy of the bytes is freed now. Under Wine
    // the platform's decoders keep a reference to the stream after some
    // failures (a damaged BMP or GIF) and never release it; what they keep
    // is then this small object only, reading as empty.
    static void Discard(IStream* stream) {
        auto* self = static_cast<PictureStream*>(stream);
        if (!self || self->bytes_->data == kEmpty) return;
        delete[] self->bytes_->data;
        self->bytes_->data = kEmpty;
        self->bytes_->length = 0;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* to, ULONG count, ULONG* read) override {
        if (!to && count) return STG_E_INVALIDPOINTER;
        const std::size_t left = position_ < bytes_->length ? bytes_->length - static_cast<std::size_t>(position_) : 0;
        const ULONG n = count < left ? count : static_cast<ULONG>(left);
        if (n) std::memcpy(to, bytes_->data + position_, n);
        position_ += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    // Any position at or after the start, as for other streams; reads from
    // beyond the end give nothing.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
        int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET: break;
            case STREAM_SEEK_CUR: base = static_cast<int64_t>(position_); break;
            case STREAM_SEEK_END: base = static_cast<int64_t>(bytes_->length); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        if (move.QuadPart < -base || move.QuadPart > INT64_MAX - base) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<uint64_t>(base + move.QuadPart);
        if (now) now->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        if (!to) return STG_E_INVALIDPOINTER;
        const uint64_t left = position_ < bytes_->length ? bytes_->length - position_ : 0;
        const ULONG n = static_cast<ULONG>(count.QuadPart < left ? count.QuadPart : left);
        ULONG done = 0;
        const HRESULT hr = n ? to->Write(bytes_->data + position_, n, &done) : S_OK;
        position_ += n;
        if (read) read->QuadPart = n;
        if (written) written->QuadPart = done;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_->length;
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    // Decoders may read through a clone: it shares the bytes.
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
        if (!out) return STG_E_INVALIDPOINTER;
        auto* copy = new (std::nothrow) PictureStream(bytes_);
        *out = copy;
        if (!copy) return E_OUTOFMEMORY;
        bytes_->AddRef();
        copy->position_ = position_;
        return S_OK;
    }

private:
    // Zero bytes after the data, for readers that look a few bytes ahead.
    static constexpr std::size_t kSlack = 16;
    static inline uint8_t kEmpty[kSlack] = {};

    struct Bytes {
        uint8_t* data = nullptr;
        std::size_t length = 0;
        LONG refs = 1;
        void AddRef() { InterlockedIncrement(&refs); }
        void Release() {
            if (InterlockedDecrement(&refs) == 0) {
                if (data != kEmpty) delete[] data;
                delete this;
            }
        }
    };

    explicit PictureStream(Bytes* bytes) : bytes_(bytes) {}
    ~PictureStream() { bytes_->Release(); }

    Bytes* bytes_;
    uint64_t position_ = 0;
    LONG refs_ = 1;
};

}  // namespace vela::imaging
