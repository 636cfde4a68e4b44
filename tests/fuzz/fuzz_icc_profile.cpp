// The embedded colour profile's readers (JPEG APP2 pieces, PNG iCCP).
#include "picture/icc_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> profile;
    vela::imaging::EmbeddedProfile(data, size, &profile);
    vela::imaging::HasEmbeddedProfile(data, size);
    return 0;
}
