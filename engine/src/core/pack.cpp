#include "core/pack.h"

#include <algorithm>
#include <cstring>

#include "ExuiPack.h"

namespace uiengine {

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// A text payload up to its terminator, never past the payload.
std::string Text(const uint8_t* p, uint32_t size) {
    const void* end = memchr(p, 0, size);
    return std::string(reinterpret_cast<const char*>(p), end ? static_cast<const uint8_t*>(end) - p : size);
}

// Packs larger than this are taken as garbage rather than read.
constexpr uint32_t kMaxPack = 64u << 20;

}  // namespace

Skin ReadPack(const void* pack, uint32_t available) {
    Skin skin;
    // The header is read only within what the caller holds, and its length
    // is believed only as far as that.
    if (!pack || available < 16) return skin;
    const uint8_t* base = static_cast<const uint8_t*>(pack);
    if (memcmp(base, EXPK_MAGIC, 4) != 0) return skin;
    const uint32_t length = U32(base + 4);
    if (length < 16 || length > kMaxPack || length > available || U16(base + 8) != EXPK_VERSION) return skin;
    const uint16_t count = U16(base + 10);
    Skin read;
    uint32_t at = 16;
    for (uint16_t i = 0; i < count; ++i) {
        if (length - at < 8) return skin;
        const uint16_t tag = U16(base + at), slot = U16(base + at + 2);
        const uint32_t size = U32(base + at + 4);
        at += 8;
        if (size > length - at) return skin;
        const uint8_t* p = base + at;
        // The high byte of a slot names the scale in quarters (0: 100 %).
        const int quarters = slot >> 8;
        const int set = (slot / 4) & 1, state = slot % 4;
        auto art = [&]() -> ScaledArt* {
            if (quarters == 0 || quarters == 4) return nullptr;
            for (ScaledArt& a : read.scaled)
                if (a.percent == quarters * 25) return &a;
            ScaledArt a;
            a.percent = quarters * 25;
            auto at = std::find_if(read.scaled.begin(), read.scaled.end(),
                                   [&](const ScaledArt& b) { return b.percent > a.percent; });
            return &*read.scaled.insert(at, std::move(a));
        };
        switch (tag) {
            case EXPK_TEXT: read.text = Text(p, size); break;
            case EXPK_FONT:
                if (size >= 4) {
                    read.fontSize = static_cast<int32_t>(U32(p));
                    read.fontFace = Text(p + 4, size - 4);
                }
                break;
            case EXPK_STATE_IMAGE:
                if (state < 3 && (slot & 0xFF) < 8) {
                    ScaledArt* a = art();
                    (a ? a->stateImages[set][state] : read.stateImages[set][state]).assign(p, p + size);
                }
                break;
            case EXPK_GLYPH:
                if ((slot & 0xFF) < 8) {
                    ScaledArt* a = art();
                    (a ? a->glyphs[set] : read.glyphs[set]).assign(p, p + size);
                }
                break;
            case EXPK_ICON: read.icon.assign(p, p + size); break;
            case EXPK_FILL:
                if (size >= 4) {
                    read.hasFill = true;
                    read.fill = U32(p);
                }
                break;
            case EXPK_CAPTION_HEIGHT:
                if (size >= 4) read.captionHeight = static_cast<int32_t>(U32(p));
                break;
            default: break;
        }
        const uint32_t padded = (size + 3) & ~3u;
        at += std::min<uint32_t>(padded, length - at);
    }
    read.present = true;
    return read;
}

ScaledArt Skin::ArtFor(int dpi) const {
    ScaledArt out;
    for (int set = 0; set < 2; ++set) {
        for (int state = 0; state < 3; ++state) out.stateImages[set][state] = stateImages[set][state];
        out.glyphs[set] = glyphs[set];
    }
    const int percent = (dpi * 100 + 95) / 96;  // rounded up: never a smaller picture than the window's scale
    if (percent <= 100 || scaled.empty()) return out;
    const ScaledArt* pick = &scaled.back();
    for (const ScaledArt& a : scaled) {
        if (a.percent >= percent) {
            pick = &a;
            break;
        }
    }
    out.percent = pick->percent;
    bool anyState = false;
    for (int set = 0; set < 2; ++set)
        for (int state = 0; state < 3; ++state) anyState = anyState || !pick->stateImages[set][state].empty();
    if (anyState)
        for (int set = 0; set < 2; ++set)
            for (int state = 0; state < 3; ++state) out.stateImages[set][state] = pick->stateImages[set][state];
    if (!pick->glyphs[0].empty() || !pick->glyphs[1].empty())
        for (int set = 0; set < 2; ++set) out.glyphs[set] = pick->glyphs[set];
    return out;
}

}  // namespace uiengine
