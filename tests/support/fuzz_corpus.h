#pragma once
// Damaged and crafted picture files for the robustness tests and the long
// runs: made from a seed, so that any file that misbehaves can be made again
// from its seed and number.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace vela::test {

struct FuzzFile {
    std::string name;  // "<number>-<how>.<extension>"
    Bytes bytes;
};

// Small well-formed pictures of every format the viewer opens: JPEG, PNG,
// GIF, BMP, ICO, CUR and WebP (still, lossless and moving), a moving GIF,
// and a JPEG and a PNG carrying a colour profile, so that damage reaches
// the profiles too (GDI+ must be usable; MakePicture starts it); and the
// committed HEIC, AVIF and JPEG XL seeds (tests/support/seeds: still,
// turned by irot or orientation, alpha, a container whose codestream
// comes in parts).
std::vector<FuzzFile> FuzzSeeds();

// `count` files made from the seeds by truncations, bit flips, byte runs
// and crafted headers, chosen by a generator started from `seed`.
std::vector<FuzzFile> MakeFuzzCorpus(uint32_t seed, int count);
// Only the files `keep` takes, by their extension (".jpg") and damage ("cut",
// "flip", "run", "header"), until there are `count` of them. Each keeps its
// number in the whole sequence, so that it is the same file as there.
using FuzzKeep = std::function<bool(const std::string& extension, const std::string& how)>;
std::vector<FuzzFile> MakeFuzzCorpus(uint32_t seed, int count, const FuzzKeep& keep);

// Headers that claim a size the data never has.
// A 23-byte baseline JPEG: start, a three-component frame header of w x h,
// end; no tables, no scan.
Bytes CraftedJpeg(int width, int height);
// A PNG with a correct IHDR of w x h (8-bit RGBA) and a tiny IDAT.
Bytes CraftedPng(uint32_t width, uint32_t height);
// A BMP header of w x h (negative h: top-down) at `bits` per pixel, no pixels.
Bytes CraftedBmp(int32_t width, int32_t height, uint16_t bits);
// A 16 x 16 run-length BMP (RLE8, or RLE4) of two colours whose rows are
// declared to start at `offset`, with a few real runs after its palette.
Bytes CraftedRunLengthBmp(uint32_t offset, bool rle4);
// A HEIC (or AVIF) of a meta box whose primary item's ispe is w x h, over
// no coded data.
Bytes CraftedHeif(uint32_t width, uint32_t height, bool avif);
// A bare JPEG XL codestream whose size header is w x h (each side 1 to
// 2^30), with nothing after it.
Bytes CraftedJpegXl(uint32_t width, uint32_t height);
// A GIF with a screen and one image of w x h and an empty raster.
Bytes CraftedGif(uint16_t width, uint16_t height);
// An icon (or cursor) directory of one entry whose data size and offset are
// as given, followed by a 32-bit DIB header of w x h.
Bytes CraftedIcon(bool cursor, int32_t width, int32_t height, uint32_t size, uint32_t offset);

}  // namespace vela::test
