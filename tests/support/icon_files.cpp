#include "icon_files.h"

#include "byte_fields.h"

namespace vela::test {

Bytes IconBitmap(int w, int h) {
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, static_cast<uint32_t>(w));
    Put32(dib, static_cast<uint32_t>(2 * h));
    Put16(dib, 1);
    Put16(dib, 32);
    for (int i = 0; i < 6; ++i) Put32(dib, 0);
    for (int i = 0; i < w * h; ++i) Put32(dib, i % 7 ? 0xFF3080C0u : 0xFFFFFFFFu);
    dib.insert(dib.end(), static_cast<size_t>((w + 31) / 32 * 4) * h, 0);
    return dib;
}

Bytes IconDirectory(const std::vector<IconEntry>& images, bool cursor) {
    Bytes b;
    Put16(b, 0);
    Put16(b, cursor ? 2 : 1);
    Put16(b, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const IconEntry& e : images) {
        b.insert(b.end(), {static_cast<uint8_t>(e.width), static_cast<uint8_t>(e.height), 0, 0});
        Put16(b, cursor ? 3 : 1);   // planes, or the hot spot's x
        Put16(b, cursor ? 5 : 32);  // bit count, or the hot spot's y
        Put32(b, static_cast<uint32_t>(e.image.size()));
        Put32(b, offset);
        offset += static_cast<uint32_t>(e.image.size());
    }
    for (const IconEntry& e : images) b.insert(b.end(), e.image.begin(), e.image.end());
    return b;
}

}  // namespace vela::test
