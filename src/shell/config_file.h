#pragma once
// 配置.ini beside the executable: one section "配置", one key per associated
// type, "真" when the user last associated that type and "假" otherwise.
#include <array>
#include <string_view>

#include "runtime/text.h"

namespace vela {

// The types the viewer can associate with itself, in the order of every pass.
inline constexpr std::array<std::string_view, 5> AssociatedTypes{"png", "jpg", "bmp", "gif", "ico"};

// The executable's folder + "\配置.ini", built afresh on every call.
Text ConfigFilePath();
// True only for the exact text "真"; a missing file, section or key or any
// other spelling is false.
bool ReadAssociationFlag(std::string_view type);
// Stores "真" or "假"; a failed write is ignored.
void WriteAssociationFlag(std::string_view type, bool associated);

// The slideshow's interval: key "幻灯间隔" of the same section, a whole
// number of seconds from 1 to 60 written in plain digits (blanks around it
// are dropped by the platform); a missing file, section or key and any
// other text give 3.
inline constexpr int kDefaultSlideshowSeconds = 3;
inline constexpr int kShortestSlideshowSeconds = 1, kLongestSlideshowSeconds = 60;
int ReadSlideshowSeconds();
// The rule alone, on the text the key holds.
int SlideshowSecondsFrom(std::string_view value);

}  // namespace vela
