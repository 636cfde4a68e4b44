#pragma once
// A zlib stream (RFC 1950/1951) inflated, for the compressed colour
// profiles of PNG files: the engine links no zlib, and a profile is small.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace uiengine {

// The inflated bytes, or false (out cleared) for a damaged stream or one
// that inflates past `limit` bytes. The checksum is not checked (the
// profile's own parser judges what it gets).
bool Inflate(const uint8_t* data, size_t length, size_t limit, std::vector<uint8_t>* out);

}  // namespace uiengine
