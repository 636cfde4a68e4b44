#pragma once
// What a GIF's compressed pictures really hold, read code by code the way
// the format defines them, so that a test can show the file it decodes
// exercises what it is meant to (codes grown to 12 bits, a full table, a
// clear code deferred while the table stays full); and a GIF's global
// colour table moved into its picture, for the local-table case.
#include <vector>

#include "runtime/text.h"

namespace vela::test {

struct LzwCodes {
    bool interlaced = false;
    bool localTable = false;
    int widest = 0;          // the widest code read, in bits
    int tablesFilled = 0;    // times the table reached its 4096 entries
    int deferredClears = 0;  // clear codes after at least one code read with the table full
};

// One entry per picture of the GIF, in file order.
std::vector<LzwCodes> ReadLzwCodes(const Bytes& gif);

// A GIF of one picture with its global colour table moved into the
// picture as a local table (the screen then has none); empty when the
// bytes are not such a GIF.
Bytes WithLocalTable(const Bytes& gif);

}  // namespace vela::test
