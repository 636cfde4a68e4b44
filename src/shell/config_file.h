#pragma once
// 配置.ini beside the executable: one section "配置", one key per associated
// type, "真" when the user last associated that type and "假" otherwise.
// The file's bytes are GBK whatever the system's code page: it is read and
// written here, not through the private-profile calls, which pass its text
// through the system's ANSI code page (under 950 or 1252 a GBK "真" would
// not come back as itself).
#include <array>
#include <string_view>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// The types the viewer can associate with itself, in the order of every pass.
inline constexpr std::array<std::string_view, 5> AssociatedTypes{"png", "jpg", "bmp", "gif", "ico"};

// The executable's folder + "\配置.ini", built afresh on every call.
Path ConfigFilePath();
// True only for the exact text "真"; a missing file, section or key or any
// other spelling is false.
bool ReadAssociationFlag(std::string_view type);
// Stores "真" or "假"; a failed write is ignored, and the file as it was
// stays whole (the new content replaces it once complete).
void WriteAssociationFlag(std::string_view type, bool associated);

// The slideshow's interval: key "幻灯间隔" of the same section, a whole
// number of seconds from 1 to 60 written in plain digits (blanks and one
// pair of quotes around it are dropped, as for every value); a missing file, section or key and any
// other text give 3.
inline constexpr int kDefaultSlideshowSeconds = 3;
inline constexpr int kShortestSlideshowSeconds = 1, kLongestSlideshowSeconds = 60;
int ReadSlideshowSeconds();
// The rule alone, on the text the key holds.
int SlideshowSecondsFrom(std::string_view value);

// The file's rules, as the private-profile calls read and write such a
// file: lines end in LF (a CR before it is dropped); "[name]" starts a
// section; "key=value" is an entry, its key compared ignoring ASCII case,
// blanks dropped around key and value and one pair of matching quotes
// around the value. ProfileValue gives the first entry's value, or empty
// text when there is none.
Text ProfileValue(std::string_view file, std::string_view section, std::string_view key);
// The file with the entry set: the first entry of that key in the section
// rewritten in place, else a new line after the section's last entry, else a
// new section at the end. Lines are written with CR LF.
Text WithProfileValue(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace vela
