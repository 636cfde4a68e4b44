#pragma once
// The fields of file formats as the tests write them into bytes: little-
// endian (BMP, ICO, GIF, RIFF) and big-endian (PNG) integers, appended or
// stored at an offset, and the CRC-32 that closes a PNG chunk.
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"

namespace vela::test {

// Appends v's low 16 or 32 bits, least significant byte first.
void Put16(Bytes& b, uint32_t v);
void Put32(Bytes& b, uint32_t v);
// Appends v most significant byte first.
void Put32BigEndian(Bytes& b, uint32_t v);
// Overwrites the four bytes at `at` (which must lie inside b).
void Store32(Bytes& b, size_t at, uint32_t v);
void Store32BigEndian(Bytes& b, size_t at, uint32_t v);

// The CRC-32 of ISO 3309 that PNG and zip use.
uint32_t Crc32(const uint8_t* p, size_t n);
// Appends a PNG chunk: length, type, data and the CRC of type and data.
void PngChunk(Bytes& b, const char* type, const Bytes& data);

}  // namespace vela::test
