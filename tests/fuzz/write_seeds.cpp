// Writes the fuzz corpus maker's seeds (a well-formed picture of every
// format the viewer opens) into the folder given, for the native fuzz
// targets (scripts/fuzz.sh) to start from.
#include <cstdio>

#include "fuzz_corpus.h"
#include "test_support.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    int written = 0;
    for (const vela::test::FuzzFile& f : vela::test::FuzzSeeds())
        written += vela::test::WriteBytes(std::string(argv[1]) + "\\" + f.name, f.bytes) ? 1 : 0;
    std::printf("%d seeds\n", written);
    return written > 0 ? 0 : 1;
}
