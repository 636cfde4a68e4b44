#pragma once
// The two numbers every viewer operation reads: the natural size of the
// picture held by PictureView as last measured (0 when nothing could be
// decoded), and the text that follows the file name in the title.
namespace vela {

extern int PictureWidth;
extern int PictureHeight;

inline constexpr const char* TitleSuffix = "—Vela图片查看器";

}  // namespace vela
