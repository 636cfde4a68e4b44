#pragma once
// What the engine keeps of a property pack (format in ExuiPack.h).
#include <cstdint>
#include <string>
#include <vector>

namespace uiengine {

// The pictures drawn for one display scale (percent: 100, 125, ...).
struct ScaledArt {
    int percent = 100;
    std::vector<uint8_t> stateImages[2][3];  // PNG bytes [set][state]
    std::vector<uint8_t> glyphs[2];          // PNG bytes [set]
};

struct Skin {
    bool present = false;
    std::string text;           // design text
    std::string fontFace;       // empty: the engine's default
    int fontSize = 0;           // points; 0: default
    std::vector<uint8_t> stateImages[2][3];  // PNG bytes [set][state]
    std::vector<uint8_t> glyphs[2];          // PNG bytes [set]
    std::vector<uint8_t> icon;               // ICO bytes
    bool hasFill = false;
    uint32_t fill = 0;          // straight 0xAARRGGBB
    int captionHeight = 0;
    std::vector<ScaledArt> scaled;           // the other scales, by rising percent

    // The pictures for a window at `dpi`: the smallest scale at or above
    // it, else the largest; the 100 % ones above are the first candidate.
    // Kinds the chosen scale lacks come from 100 %.
    ScaledArt ArtFor(int dpi) const;
};

// Parses a pack of which the caller holds `available` bytes; a null,
// malformed or foreign pack, or one longer than that, gives an empty Skin.
Skin ReadPack(const void* pack, uint32_t available);

}  // namespace uiengine
