#pragma once
// The kind and upright size of a HEIF picture (HEIC, AVIF), read from its
// ISO-BMFF boxes without decoding it: the file type box's brands, then in
// the meta box the primary item (pitm) and the properties the item
// property association (ipma) gives it from the property container (ipco):
// its spatial extent (ispe), clean aperture (clap) and rotation (irot).
// GDI+ reads none of these files, so the viewer's measurement takes the
// size from here. Shared by the viewer and the engine (header only).
//
// Every box is checked against the data and against the box that holds
// it: a size past its parent's end, a 64-bit size beyond the data, a
// count larger than its box can hold all end the read with no answer.
// Nothing is allocated from the file's numbers.
#include <cstddef>
#include <cstdint>

namespace vela::imaging {

enum class HeifKind { None, Heic, Avif };

namespace heif_detail {

inline uint32_t Be16(const uint8_t* p) { return static_cast<uint32_t>((p[0] << 8) | p[1]); }
inline uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }

inline bool IsType(const uint8_t* p, const char* type) {
    return p[0] == type[0] && p[1] == type[1] && p[2] == type[2] && p[3] == type[3];
}

// One box: its type and its payload [data, data + size) inside the parent.
struct Box {
    const uint8_t* type = nullptr;
    const uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The boxes of [p, p + length) one after another; `visit` returns false to
// stop early. False when a box's header or its declared size does not fit
// in what is left of the parent (a size of 0 runs to the parent's end).
template <typename Visit>
bool WalkBoxes(const uint8_t* p, std::size_t length, Visit visit) {
    std::size_t at = 0;
    while (length - at >= 8) {
        const uint8_t* box = p + at;
        uint64_t size = Be32(box);
        std::size_t header = 8;
        if (size == 1) {
            if (length - at < 16) return false;
            const uint64_t high = Be32(box + 8);
            if (high != 0) return false;  // 4 GiB and more: beyond any data held here
            size = Be32(box + 12);
            header = 16;
        } else if (size == 0) {
            size = length - at;
        }
        if (size < header || size > length - at) return false;
        if (!visit(Box{box + 4, box + header, static_cast<std::size_t>(size) - header})) return true;
        at += static_cast<std::size_t>(size);
    }
    return at == length;
}

inline bool IsHeicBrand(const uint8_t* b) {
    return IsType(b, "heic") || IsType(b, "heix") || IsType(b, "hevc") || IsType(b, "hevx") || IsType(b, "heim") ||
           IsType(b, "heis") || IsType(b, "mif1") || IsType(b, "msf1");
}
inline bool IsAvifBrand(const uint8_t* b) { return IsType(b, "avif") || IsType(b, "avis"); }

// What the primary item's properties say of its size.
struct ItemSize {
    uint64_t width = 0, height = 0;
    bool extent = false;  // an ispe was met
    bool bad = false;     // a property that cannot be read
};

// One property the primary item has, in the order its association lists it.
inline void ApplyProperty(const Box& property, ItemSize* item) {
    const uint8_t* d = property.data;
    if (IsType(property.type, "ispe")) {
        if (property.size < 12) return void(item->bad = true);
        item->width = Be32(d + 4);
        item->height = Be32(d + 8);
        item->extent = true;
    } else if (IsType(property.type, "clap") && item->extent) {
        // The clean aperture's width and height, each a fraction rounded
        // to the nearest whole pixel; the picture is cropped to it.
        if (property.size < 32) return void(item->bad = true);
        const int64_t wn = static_cast<int32_t>(Be32(d)), wd = static_cast<int32_t>(Be32(d + 4));
        const int64_t hn = static_cast<int32_t>(Be32(d + 8)), hd = static_cast<int32_t>(Be32(d + 12));
        if (wn <= 0 || wd <= 0 || hn <= 0 || hd <= 0) return void(item->bad = true);
        const uint64_t w = static_cast<uint64_t>((wn + wd / 2) / wd), h = static_cast<uint64_t>((hn + hd / 2) / hd);
        if (w > item->width || h > item->height) return void(item->bad = true);
        item->width = w;
        item->height = h;
    } else if (IsType(property.type, "irot") && item->extent) {
        if (property.size < 1) return void(item->bad = true);
        const uint32_t quarters = d[0] & 3;  // anticlockwise
        if (quarters == 1 || quarters == 3) {
            const uint64_t side = item->width;
            item->width = item->height;
            item->height = side;
        }
    }
}

// The property indexes (from 1) the ipma box associates with item `id`,
// in order, into `indexes` (at most 255, the most one entry may list).
// False when the box cannot be read.
inline bool PrimaryProperties(const Box& ipma, uint32_t id, uint16_t (&indexes)[255], int* count) {
    if (ipma.size < 8) return false;
    const uint8_t* p = ipma.data;
    const uint32_t version = p[0];
    const bool wideIndex = (p[3] & 1) != 0;
    const std::size_t idBytes = version < 1 ? 2 : 4, indexBytes = wideIndex ? 2 : 1;
    const uint32_t entries = Be32(p + 4);
    std::size_t at = 8;
    *count = 0;
    // Each entry takes at least its id and count, so the box's size ends a
    // lying entry count long before the count itself would.
    for (uint32_t e = 0; e < entries; ++e) {
        if (ipma.size - at < idBytes + 1) return false;
        const uint32_t item = idBytes == 2 ? Be16(p + at) : Be32(p + at);
        const uint32_t listed = p[at + idBytes];
        at += idBytes + 1;
        if (ipma.size - at < listed * indexBytes) return false;
        if (item == id && *count == 0) {
            for (uint32_t i = 0; i < listed; ++i, at += indexBytes)
                indexes[(*count)++] = static_cast<uint16_t>(wideIndex ? Be16(p + at) & 0x7FFF : p[at] & 0x7F);
        } else {
            at += listed * indexBytes;
        }
    }
    return true;
}

// The first box of each of the given types among the children of
// [p, p + length), into `found` (in the same order); false when the
// children cannot all be read.
template <std::size_t N>
bool FindChildren(const uint8_t* p, std::size_t length, const char* const (&types)[N], Box (&found)[N]) {
    return WalkBoxes(p, length, [&](const Box& b) {
        for (std::size_t i = 0; i < N; ++i)
            if (!found[i].type && IsType(b.type, types[i])) found[i] = b;
        return true;
    });
}

// The properties `indexes` names (from 1) among the container's boxes, in
// the order of `indexes`; the walk stops after the highest one. False when
// one of them is not there or the boxes before it cannot be read.
inline bool PropertiesByIndex(const Box& ipco, const uint16_t* indexes, int count, Box* found) {
    uint32_t highest = 0;
    for (int i = 0; i < count; ++i) highest = indexes[i] > highest ? indexes[i] : highest;
    uint32_t number = 0;
    WalkBoxes(ipco.data, ipco.size, [&](const Box& b) {
        ++number;
        for (int i = 0; i < count; ++i)
            if (indexes[i] == number) found[i] = b;
        return number < highest;
    });
    for (int i = 0; i < count; ++i)
        if (indexes[i] != 0 && !found[i].type) return false;
    return true;
}

// The primary item's size from the meta box's payload (after its version
// and flags), or false. The boxes a reader of the file cannot do without
// (a picture handler, the item locations and information, the primary
// item, its properties) must all be there.
inline bool PrimaryItemSize(const Box& meta, uint64_t* width, uint64_t* height) {
    static const char* const kMeta[] = {"hdlr", "pitm", "iloc", "iinf", "iprp"};
    Box m[5];
    if (!FindChildren(meta.data, meta.size, kMeta, m)) return false;
    const Box &hdlr = m[0], &pitm = m[1], &iprp = m[4];
    if (!m[2].type || !m[3].type || !iprp.type || hdlr.size < 12 || !IsType(hdlr.data + 8, "pict") || pitm.size < 6)
        return false;
    const uint32_t primary = pitm.data[0] == 0 ? Be16(pitm.data + 4) : (pitm.size < 8 ? 0 : Be32(pitm.data + 4));
    static const char* const kProperties[] = {"ipco", "ipma"};
    Box pr[2];
    if (primary == 0 || !FindChildren(iprp.data, iprp.size, kProperties, pr) || !pr[0].type || !pr[1].type)
        return false;
    uint16_t indexes[255];
    Box properties[255];
    int count = 0;
    if (!PrimaryProperties(pr[1], primary, indexes, &count) || !PropertiesByIndex(pr[0], indexes, count, properties))
        return false;
    ItemSize item;
    for (int i = 0; i < count && !item.bad; ++i)
        if (properties[i].type) ApplyProperty(properties[i], &item);
    if (item.bad || !item.extent) return false;
    *width = item.width;
    *height = item.height;
    return true;
}

}  // namespace heif_detail

// HEIC (or another HEVC or generic still-image HEIF brand) or AVIF, by the
// brands of the file type box, which must come first; AVIF when any brand
// names it.
inline HeifKind HeifKindOf(const void* data, std::size_t length) {
    using namespace heif_detail;
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || length < 16 || !IsType(p + 4, "ftyp")) return HeifKind::None;
    const uint64_t size = Be32(p);
    if (size < 16 || size > length || (size - 16) % 4 != 0) return HeifKind::None;
    bool heic = IsHeicBrand(p + 8), avif = IsAvifBrand(p + 8);
    for (std::size_t at = 16; at < size; at += 4) {
        heic = heic || IsHeicBrand(p + at);
        avif = avif || IsAvifBrand(p + at);
    }
    return avif ? HeifKind::Avif : heic ? HeifKind::Heic : HeifKind::None;
}

// The primary item's size as it is shown (cropped by its clean aperture,
// sides swapped by a quarter turn; a mirror keeps them), from the top-level
// meta box. False, leaving the sides untouched, for anything else.
inline bool ReadHeifSize(const void* data, std::size_t length, uint64_t* width, uint64_t* height) {
    using namespace heif_detail;
    if (HeifKindOf(data, length) == HeifKind::None || !width || !height) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    Box meta;
    const auto top = [&](const Box& b) {
        if (!IsType(b.type, "meta")) return true;
        meta = b;
        return false;
    };
    // A file cut after its meta box still tells its size; one cut inside
    // it does not.
    WalkBoxes(p, length, top);
    if (!meta.type || meta.size < 4) return false;
    return PrimaryItemSize(Box{meta.type, meta.data + 4, meta.size - 4}, width, height);
}

}  // namespace vela::imaging
