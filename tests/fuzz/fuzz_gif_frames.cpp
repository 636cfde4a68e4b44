// The engine's own GIF frame reader: the first picture on its screen, as a
// still GIF is shown, and the frames of the bytes composed one after
// another, as a moving picture plays them (up to 16 frames).
#include <memory>

#include "decoders/animation.h"
#include "decoders/gif_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uiengine::GifLoopCount(data, size);
    uiengine::DecodeGif(data, size);
    auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
    std::unique_ptr<uiengine::FrameSource> frames = uiengine::OpenGifFrames(bytes);
    if (!frames) return 0;
    uiengine::Image frame;
    int delay = 0;
    for (int i = 0; i < 16 && frames->Next(&frame, &delay); ++i) {
    }
    return 0;
}
