#include "jxl_pictures.h"

#include <cstdlib>
#include <cstring>

#include "image_magick.h"

namespace vela::test {

Pixels ReadPamPixels(const Bytes& pam) {
    Pixels out;
    const std::string text(pam.begin(), pam.end());
    const size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos) return out;
    auto field = [&](const char* name) {
        const size_t at = text.find(name);
        return at < end ? std::atoi(text.c_str() + at + std::strlen(name)) : 0;
    };
    const int w = field("WIDTH "), h = field("HEIGHT ");
    const size_t first = end + 7;
    if (field("DEPTH ") != 4 || field("MAXVAL ") != 255 || w <= 0 || h <= 0 ||
        pam.size() - first < static_cast<size_t>(w) * h * 4)
        return out;
    out.width = w;
    out.height = h;
    for (size_t i = first; i < first + static_cast<size_t>(w) * h * 4; i += 4)
        out.argb.push_back(static_cast<uint32_t>(pam[i + 3]) << 24 | pam[i] << 16 | pam[i + 1] << 8 | pam[i + 2]);
    return out;
}

bool Cjxl(const ScratchFolder& dir, const std::string& input, const std::string& output, const std::string& options) {
    return RunNative(dir, "/usr/bin/cjxl " + options + " {" + input + "} {" + output + "}", output);
}

Pixels DjxlPixels(const ScratchFolder& dir, const std::string& input, const std::vector<std::string>& convert) {
    const std::string png = input + ".djxl.png";
    // At the file's own depth: Debian's djxl 0.7 writes wrong 16-bit PNGs
    // when asked for 8 bits, so ImageMagick rounds its PNG to 8 bits.
    if (!RunNative(dir, "/usr/bin/djxl {" + input + "} {" + png + "}", png)) return {};
    const std::string pam = input + ".pam";
    std::vector<std::string> arguments = {"{" + png + "}"};
    arguments.insert(arguments.end(), convert.begin(), convert.end());
    arguments.insert(arguments.end(), {"-alpha", "set", "-type", "TrueColorAlpha", "-depth", "8"});
    if (!ImageMagick(dir, arguments, "pam:", pam)) return {};
    return ReadPamPixels(ReadBytes(dir / pam));
}

}  // namespace vela::test
